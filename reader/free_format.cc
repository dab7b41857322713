#include "reader/free_format.h"
