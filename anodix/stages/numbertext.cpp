#include "anodix/stages/numbertext.h"
