// An instrument definition (.DEF) of the user's own: applied whole, or not at all.
#include "fuzz_support.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietErrors quiet;
  fuzz::WriteInput("user.def", data, size);
  AcquisitionParameters p;
  SetText(p.ProgramDir, fuzz::ScratchDir().string());
  const AcquisitionParameters before = p;
  const LoadOutcome outcome = LoadInstrumentDefinition(p, 9, "user.def");
  fuzz::RequireTerminated(p.DcfFile);
  fuzz::RequireTerminated(p.VcfFile);
  if (outcome.result != LoadResult::Applied) fuzz::Require(p.THTLow == before.THTLow && p.CCDXSize == before.CCDXSize);
  return 0;
}
