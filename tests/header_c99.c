/* The public header must compile as plain C99. */
#include "tessary.h"

int tessary_header_compiles_as_c99(void) { return (int)sizeof(int32_t); }
