#include "anodix/tubedb/tuberecord.h"
