#include "app/SecondAlignedTimer.h"
