#include "FernholmApp/studio/StudioShell.h"

int main(int argc, char** argv) {
    return fernholm::runApplication(argc, argv, fernholm::studioWiring());
}
