#include "setout/subgradetable.h"
