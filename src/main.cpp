#include "uTumbaloMain.h"

int main(int argc, char* argv[])
{
    return RunTumbalo(argc, argv);
}
