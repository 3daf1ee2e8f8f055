#pragma once
// The observation log ("%s\%s%3.3d.VLT"): its header at Start, a record when each
// channel begins and when it has been acquired, and the queued "!!!" and "###"
// lines. Every write begins with the line feed that ends the previous line.
#include <cstdint>
#include <string>

#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"
#include "platform/clock.h"

namespace velmar {

std::string LogFilePath(const AcquisitionParameters& p);

// Creates the log anew and writes the header; false (after ShowError) when the
// file cannot be created. typeLines follow the type line (the analogic
// calibration's frames and THT).
bool WriteLogHeader(const AcquisitionState& s, const AcquisitionParameters& p, const LocalTime& now,
                    const std::string& typeLines = {});

// "\n\n==> Beginning channel=%4.4d at %s", with up to 20 attempts to open the log,
// then the check that the log grew.
void WriteChannelBegin(AcquisitionState& s, const LocalTime& now);

// The three lines of a finished channel.
void WriteChannelRecord(AcquisitionState& s, std::int32_t channel,
                        std::int32_t cycle, std::int32_t interferometerValue, const LocalTime& now);

// Appends the queued line when there is a log to append it to.
void FlushLogMessage(AcquisitionState& s);

// Appends one line at once, bypassing the queue, whose slot a later message of the
// same second would take; false when the log cannot be written (the caller says so).
bool AppendLogLine(const AcquisitionState& s, const std::string& line);

// "%5.5d", "%-4.4d" when negative, "?????" when 0.
std::string HighVoltageText(std::int32_t volts);

}  // namespace velmar
