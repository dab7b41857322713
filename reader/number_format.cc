#include "reader/number_format.h"
