// The entry point's work: set the log threshold, create the working
// objects, run the one mode that the argument count names, destroy the
// objects and hand back the mode's result.
#include "app/access_code.h"
#include "app/modes.h"
#include "log/log.h"

int runTool(int argc, char** argv)
{
    logLevel = 10;
    int result = 0;
    {
        // Created before the argument count is looked at, whatever the mode.
        // The members are destroyed in reverse order of declaration:
        // childIds, then commandFileName, then tokenList.
        WorkingObjects objects;
        loadAccessCodeRecords(objects);
        objects.path = TokenPath{};
        objects.dataFileId = DATA_FILE_ID;
        objects.newDataFileSize = DATA_FILE_SIZE;

        // The tests in exactly this form: a count of 0 runs the report and
        // any count above 3 runs nothing.
        if (argc < 2) {
            result = runDiagnostics(objects);
        } else if (argc < 3) {
            result = executeCommandFile(objects, argv[1]);
        } else if (argc == 3) {
            result = issueCommandFile(objects, argv[1], argv[2]);
        } else {
            result = 0;
        }
    }
    return result;
}
