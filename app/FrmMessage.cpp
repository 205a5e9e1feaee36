#include "app/FrmMessage.h"
