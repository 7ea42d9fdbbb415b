#pragma once
// The program's dialog templates as the window system takes them: an
// in-memory extended dialog template (DLGTEMPLATEEX and one
// DLGITEMTEMPLATEEX per control) written from the shared control tables,
// so every page and the progress dialog are laid out in dialog units by the
// dialog manager itself.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "wizard/DialogTemplates.h"

enum class TemplateUse {
    PropertyPage,  // a child page of the wizard sheet
    ModalDialog,   // a pop-up with caption and modal frame, no system menu
};

// DWORD-aligned bytes of the template; valid as long as the vector lives.
class InMemoryTemplate {
public:
    InMemoryTemplate(const DialogTemplate& dialog, TemplateUse use);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    std::vector<uint32_t> m_words;
};
