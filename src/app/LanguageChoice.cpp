#include "app/LanguageChoice.h"

#include "app/SettingsLocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ravelin {

namespace {

constexpr const char* kLanguageKey = "Language";

} // namespace

std::optional<Language> RememberedLanguage()
{
    const QSettings settings = OpenSettings();
    return LanguageFromName(
        settings.value(QString::fromLatin1(kLanguageKey)).toString().toStdString());
}

void RememberLanguage(Language language)
{
    QSettings settings = OpenSettings();
    settings.setValue(QString::fromLatin1(kLanguageKey),
                      QString::fromLatin1(LanguageName(language)));
}

std::optional<Language> LanguageOption(const QStringList& arguments, bool* ok)
{
    // Only --lang is looked at here; the full parse, with the help in the chosen
    // language, comes after.
    QCommandLineParser parser;
    const QCommandLineOption lang(QStringLiteral("lang"), QString(), QStringLiteral("ja|en"));
    parser.addOption(lang);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    (void)parser.parse(arguments);
    *ok = true;
    if (!parser.isSet(lang))
        return std::nullopt;
    const auto language = LanguageFromName(parser.value(lang).toStdString());
    *ok = language.has_value();
    return language;
}

std::unique_ptr<QTranslator> InstallLanguage(Language language)
{
    SetLanguage(language);
    auto translator = std::make_unique<QTranslator>();
    // Japanese: Qt's own dialogs in Japanese too. English: the program's words; Qt's own
    // are English already.
    const bool loaded = language == Language::English
                            ? translator->load(QStringLiteral(":/i18n/ravelin_en.qm"))
                            : translator->load(QStringLiteral("qtbase_ja"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded)
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

} // namespace ravelin
