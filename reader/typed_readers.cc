#include "reader/typed_readers.h"
