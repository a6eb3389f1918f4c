// Diagnostics report. The token work is not built yet: only the frame of
// the report is written.
#include "app/modes.h"
#include "log/log.h"

int runDiagnostics(WorkingObjects&)
{
    logLine("***************Diagnostics*******************\n", 1);
    logLine("*********************************************\n", 1);
    return 0;
}
