// Tralex: replaces many strings in many files in one run.
#include "app/basMain.h"

int main(int argc, char** argv)
{
    return tralex::Main(argc, argv);
}
