#pragma once
// The day's log file.
#include "platform/text_list.h"

#include <QString>

// Appends the list's lines to the day's log file (header block first on the first write of a run
// or of a day), empties the list, purges old files once a day.
void TraceLogForce(TextList& list, const QString& fileBase, bool unused1, bool unused2,
                   const QString& caller);
