#include "sensors/providertable.h"
