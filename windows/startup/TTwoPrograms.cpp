#include "windows/startup/TTwoPrograms.h"

namespace velmar {

TTwoPrograms::TTwoPrograms(QWidget* parent)
    : MessageWindow("TTwoPrograms", "VlmIPCS error",
                    {"The VlmIPCS program is already running !",
                     "Only one program can run at the same time ..."},
                    parent) {}

}  // namespace velmar
