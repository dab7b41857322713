#include "reader/records.h"
