// Stands in for Visual C++'s COM support library (comsuppw.lib): the function the support classes fail through.
#include <comdef.h>

void WINAPI _com_issue_error(HRESULT result) {
    throw _com_error(result);
}
