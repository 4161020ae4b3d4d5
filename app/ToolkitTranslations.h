#pragma once
// The toolkit's own texts (its file dialogs, message boxes and buttons) in the interface's language.

class QTranslator;

// Installs Qt's Japanese translations (Debian's qt6-translations-l10n) in the application; the
// translator, which the application owns, or nullptr when they are not installed.
QTranslator* InstallToolkitTranslations();
