// The entry point and the three modes. Each mode returns the exit code.
#ifndef APP_MODES_H
#define APP_MODES_H

#include "app/working_objects.h"

// Chooses the mode by argc alone: < 2 diagnostics, 2 execution, 3 issuing,
// more: nothing at all, result 0.
int runTool(int argc, char** argv);

int runDiagnostics(WorkingObjects& objects);
int executeCommandFile(WorkingObjects& objects, const char* commandFilePath);
int issueCommandFile(WorkingObjects& objects, const char* fromText, const char* toText);

// Accepts only when the five characters of the access code were typed and
// match the masked records; anything after the fifth is ignored.
bool checkAccessCode(const WorkingObjects& objects, const char* typed);

#endif
