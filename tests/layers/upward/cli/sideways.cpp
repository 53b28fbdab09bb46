#include "gui/app/main_window.h"
