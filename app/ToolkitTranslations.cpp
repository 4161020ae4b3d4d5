#include "app/ToolkitTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QTranslator* InstallToolkitTranslations()
{
    auto* Translator = new QTranslator(QCoreApplication::instance());
    // The interface is Japanese whatever the desktop's language, and so are the toolkit's dialogs.
    if (!Translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete Translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(Translator);
    return Translator;
}
