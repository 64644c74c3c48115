// The stand-alone window linked straight to the module, without the start-up front: the
// reference against which bench/run.py measures what the front and the module loading add.

#include "gui.h"

int main()
{
    run_stand_alone();
    return 0;
}
