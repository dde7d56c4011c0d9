# Warnings are errors everywhere in our own code (C++ only: the resource compiler takes no such options).
# In the Microsoft ABI, __uuidof is the compiler's own operator, as with Visual C++, not an extension to
# warn about.
function(windowsutils_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Werror>)
  if(WINDOWSUTILS_MSVC_ABI)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-language-extension-token>)
  endif()
endfunction()
