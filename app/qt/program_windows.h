#pragma once
// Every window of the program, created once at start in a fixed order, the main
// window TGeneral first, and kept for the life of the process.
#include <functional>

#include "app/acquisition_program.h"
#include "engine/shared_state.h"

namespace velmar {

class TGeneral;
class TTwoPrograms;
class TTwoVlm3D;
class TInitMatrox;
class TInitMatrox2;
class TErrorMatrox;
class TControlMonitor;
class TError_DCF;
class TAttenteGeneral;
class TClickOnStart;
class TTerminating;
class TNoteClose;
class TDiskError;
class TRepertoire;
class TTuneTHT;
class TFiltersMirror;
class TSuspended;
class TRequestAbort;
class TDeferredStop;
class TLogBook;
class TCommentOnLogBook;
class TVirus;
class TParameters;
class TWarningTHT;
class TAnalogic;

struct ProgramWindows {
  TGeneral* general = nullptr;
  TTwoPrograms* twoPrograms = nullptr;
  TTwoVlm3D* twoVlm3D = nullptr;
  TInitMatrox* initMatrox = nullptr;
  TInitMatrox2* initMatrox2 = nullptr;
  TErrorMatrox* errorMatrox = nullptr;
  TControlMonitor* controlMonitor = nullptr;
  TError_DCF* errorDcf = nullptr;
  TRepertoire* repertoire = nullptr;
  TAttenteGeneral* attente = nullptr;
  TClickOnStart* clickOnStart = nullptr;
  TTerminating* terminating = nullptr;
  TNoteClose* noteClose = nullptr;
  TDiskError* diskError = nullptr;
  TTuneTHT* tuneTht = nullptr;
  TFiltersMirror* filtersMirror = nullptr;
  TSuspended* suspended = nullptr;
  TRequestAbort* requestAbort = nullptr;
  TDeferredStop* deferredStop = nullptr;
  TLogBook* logBook = nullptr;
  TCommentOnLogBook* commentOnLogBook = nullptr;
  TVirus* virus = nullptr;
  TParameters* parameters = nullptr;
  TWarningTHT* warningTht = nullptr;
  TAnalogic* analogic = nullptr;
};

// Creates the windows group by group; progress receives 10, 20, ... 100.
ProgramWindows CreateProgramWindows(AcquisitionProgram& program, const std::function<void(int)>& progress);

}  // namespace velmar
