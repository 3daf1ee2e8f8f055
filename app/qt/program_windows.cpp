#include "app/qt/program_windows.h"

#include <filesystem>
#include <vector>

#include "windows/startup/TTwoPrograms.h"
#include "windows/startup/TTwoVlm3D.h"
#include "windows/console/TControlMonitor.h"
#include "windows/console/TErrorMatrox.h"
#include "windows/console/TGeneral.h"
#include "windows/console/TInitMatrox.h"
#include "windows/console/TDiskError.h"
#include "windows/console/TDeferredStop.h"
#include "windows/console/TLogBook.h"
#include "windows/console/TRepertoire.h"
#include "windows/console/TRequestAbort.h"
#include "windows/console/TSuspended.h"
#include "windows/console/TVirus.h"
#include "windows/console/TSmallWindows.h"
#include "windows/instruments/TFiltersMirror.h"
#include "windows/instruments/TTuneTHT.h"
#include "windows/console/TWarningWindows.h"
#include "windows/parameters/TParameters.h"
#include "windows/parameters/TError_DCF.h"
#include "windows/analogic/TAnalogic.h"

namespace velmar {

ProgramWindows CreateProgramWindows(AcquisitionProgram& program, const std::function<void(int)>& progress) {
  ProgramWindows w;
  // Groups of a few windows; the splash bar moves on after each group.
  const std::vector<std::function<void()>> groups = {
      [&] { w.general = new TGeneral(program.shared); },
      [&] {
        w.twoPrograms = new TTwoPrograms(w.general);
        w.twoVlm3D = new TTwoVlm3D(w.general);
        w.controlMonitor = new TControlMonitor(program.grabber, w.general);
      },
      [&] {
        w.initMatrox = new TInitMatrox(w.general);
        w.initMatrox2 = new TInitMatrox2(w.general);
        w.errorMatrox = new TErrorMatrox(w.general);
      },
      [&] {
        w.errorDcf = new TError_DCF(w.general);
        w.repertoire = new TRepertoire(w.general);
        w.diskError = new TDiskError(w.general);
      },
      [&] {
        w.attente = new TAttenteGeneral(w.general);
        w.clickOnStart = new TClickOnStart(w.general);
        w.terminating = new TTerminating(w.general);
        w.noteClose = new TNoteClose(w.general);
        w.general->SetStartPrompt(w.clickOnStart);
      },
      [&] {
        w.tuneTht = new TTuneTHT(program.shared, program.highVoltage, program.board, program.grabber, w.general);
        w.filtersMirror = new TFiltersMirror(program.shared, program.board, w.general);
        w.suspended = new TSuspended(w.general);
        w.requestAbort = new TRequestAbort(w.general);
        w.deferredStop = new TDeferredStop(w.general);
        w.logBook = new TLogBook(w.general);
        w.commentOnLogBook = new TCommentOnLogBook(w.general);
        w.virus = new TVirus(w.general);
        // The program's own files are looked for in the directory it was started from.
        w.parameters = new TParameters(program.shared, std::filesystem::current_path(), w.general);
        w.warningTht = new TWarningTHT([&program] { program.highVoltage.SetTHT(0); }, w.general);
        w.analogic = new TAnalogic(program.shared, program.grabber, program.board, program.highVoltage, w.general);
      },
  };
  constexpr int kSteps = 10;
  for (int step = 0; step < kSteps; ++step) {
    if (step < static_cast<int>(groups.size())) groups[step]();
    progress(10 * (step + 1));
  }
  return w;
}

}  // namespace velmar
