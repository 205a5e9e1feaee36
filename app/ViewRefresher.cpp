#include "app/ViewRefresher.h"
