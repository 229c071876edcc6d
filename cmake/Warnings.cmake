# Applied to every target of ours through ostrel_warnings.
add_library(ostrel_warnings INTERFACE)
target_compile_options(ostrel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough)
if(OSTREL_WERROR)
  target_compile_options(ostrel_warnings INTERFACE -Werror)
endif()
