#include "app/modes.h"

int main(int argc, char** argv)
{
    return runTool(argc, argv);
}
