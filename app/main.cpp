#include "app/TApp.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    return run_application(new TApp, argc, argv);
}
