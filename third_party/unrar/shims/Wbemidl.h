#include <wbemidl.h>
