#include "app/QtMessagePresenter.h"
