#include "controller.h"
