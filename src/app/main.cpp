#include "app/VidorraApp.h"

int main(int argc, char **argv)
{
    return vidorra::runApplication(argc, argv);
}
