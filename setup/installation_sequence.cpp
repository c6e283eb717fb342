#include "setup/installation_sequence.h"

#include "setup/globals.h"

int RunInstallation(HINSTANCE instance) {
    instanceHandle = instance;
    return 0;
}
