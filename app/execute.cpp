// Command-file execution: decodes the command file. The token work is not
// built yet; the mode stops after the decoding.
#include "app/modes.h"
#include "cmdfile/command_file.h"
#include "log/log.h"

int executeCommandFile(WorkingObjects& objects, const char* commandFilePath)
{
    logLine("************Moving or Creating Board*********\n", 1);
    objects.commandFileName = commandFilePath;
    if (!readCommandFile(objects.commandFileName)) {
        return 1;
    }
    return 1;
}
