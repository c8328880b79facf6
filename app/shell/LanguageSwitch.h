#pragma once

class CKorvexGlobal;

namespace korvex::shell {

// Installs the resource manager of language `index` of the language list and
// makes it current; false, changing nothing, for an index outside the list.
bool ApplyProgramLanguage(CKorvexGlobal& global, int index);

}  // namespace korvex::shell
