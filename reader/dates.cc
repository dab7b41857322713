#include "reader/dates.h"
