#include "foundation/daily_log.h"

void TraceLogForce(TextList&, const QString&, bool, bool, const QString&) {}
