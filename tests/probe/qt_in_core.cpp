// Built against the logic library alone: it must fail, for want of Qt's headers.
#include <QObject>
#include "platform/format.h"
int probe() { return 0; }
