#include "ZenqFramework_Utils.h"
