#include "FernholmApp/studio/loader/StudioLoader.h"

int main(int argc, char** argv) {
    return fernholm::runApplication(argc, argv, fernholm::studioOnDemand());
}
