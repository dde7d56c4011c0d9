# Warnings are errors everywhere in our own code (C++ only: the resource compiler takes no such options).
function(windowsutils_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Werror>)
endfunction()
