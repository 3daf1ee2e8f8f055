#include "windows/console/TInitMatrox.h"

namespace velmar {

TInitMatrox::TInitMatrox(QWidget* parent)
    : MessageWindow("TInitMatrox", "Velmar initializing Genesys",
                    {"Velmar Photon Counting", "Initializing the Matrox Genesis board....",
                     "An error at this step means that the Matrox board is absent or faulty;",
                     "the usual library message is then \"Error in MsysAlloc(): system allocation error\""},
                    parent) {
  setModal(false);
}

TInitMatrox2::TInitMatrox2(QWidget* parent)
    : MessageWindow("TInitMatrox2", "Velmar Note ",
                    {"Note", "If there is no TV signal or if the Matrox Board is absent,",
                     "the program will hang (and maybe block the system) !"},
                    parent) {
  setModal(false);
}

}  // namespace velmar
