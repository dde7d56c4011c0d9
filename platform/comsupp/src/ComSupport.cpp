#include <comdef.h>

void WINAPI _com_issue_error(HRESULT result) { throw _com_error(result); }
