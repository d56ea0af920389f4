#include "ParseCommandSting.h"
