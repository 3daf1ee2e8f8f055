#include "windows/startup/TTwoVlm3D.h"

namespace velmar {

TTwoVlm3D::TTwoVlm3D(QWidget* parent)
    : MessageWindow("TTwoVlm3D", "VlmIPCS warning",
                    {"Warning !", "An Vlm3D program is already presently running",
                     "The acquisition will launch a new additional Vlm3D program",
                     "Don't multiply the Vlm3D instances in order to let enough free memory for the acquisition",
                     "Nevertheless Vlm3D is allowed to run simultaneously several  instances..."},
                    parent) {}

}  // namespace velmar
