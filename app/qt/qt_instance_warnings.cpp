#include "app/qt/qt_instance_warnings.h"

#include "windows/startup/TTwoPrograms.h"
#include "windows/startup/TTwoVlm3D.h"

namespace velmar {

void QtInstanceWarnings::ShowTwoPrograms() { windows_.twoPrograms->exec(); }
void QtInstanceWarnings::ShowTwoVlm3D() { windows_.twoVlm3D->exec(); }

}  // namespace velmar
