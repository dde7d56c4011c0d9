// Stands in for Visual C++'s static part of the locale (std::_Facet_Register): the facets a module
// creates on first use are destroyed when it ends.
#include <locale>
#include <stdlib.h>

namespace {
struct RegisteredFacet {
    std::_Facet_base* facet;
    RegisteredFacet* next;
};
RegisteredFacet* registeredFacets = nullptr;

void DestroyFacets() {
    while (RegisteredFacet* const node = registeredFacets) {
        registeredFacets = node->next;
        delete node->facet->_Decref();
        free(node);
    }
}
} // namespace

void __cdecl std::_Facet_Register(std::_Facet_base* facet) {
    auto* const node = static_cast<RegisteredFacet*>(malloc(sizeof(RegisteredFacet)));
    if (node == nullptr)
        return; // the facet then lives until the process ends
    if (registeredFacets == nullptr)
        atexit(DestroyFacets);
    *node = {facet, registeredFacets};
    registeredFacets = node;
}
