// Qt's own texts in the interface language.
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace brelvik {

namespace {

struct Wording {
  const char* context;
  const char* source;
  const char* russian;
};

// What Qt's Russian catalogue leaves in English: the standard "OK" button,
// which the program's own dialogs write in Cyrillic, and the file dialog's
// names for kinds of entries, which the catalogue lacks.
const Wording kWordings[] = {
    {"QPlatformTheme", "OK", "ОК"},
    {"QAbstractFileIconProvider", "Folder", "Папка"},
    {"QAbstractFileIconProvider", "Drive", "Диск"},
    {"QAbstractFileIconProvider", "Unknown", "Неизвестно"},
};

class ProgramWording : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    Q_UNUSED(disambiguation);
    Q_UNUSED(n);
    for (const Wording& w : kWordings) {
      if (qstrcmp(context, w.context) == 0 && qstrcmp(source, w.source) == 0) {
        return QString::fromUtf8(w.russian);
      }
    }
    return {};
  }
};

// The locale Qt's texts follow beside the catalogue (the file dialog's names
// of file types, for one): the system's own when it speaks the language.
QLocale LocaleFor(Language language) {
  const QLocale system = QLocale::system();
  const QLocale::Language wanted = language == Language::kRu ? QLocale::Russian : QLocale::English;
  if (system.language() == wanted) return system;
  return language == Language::kRu ? QLocale(QLocale::Russian, QLocale::Russia)
                                   : QLocale(QLocale::English, QLocale::UnitedStates);
}

// One catalogue for the whole application: every window of the program
// shares the interface language.
struct QtCatalogue {
  QPointer<QTranslator> qt;
  QPointer<QTranslator> wording;
  bool loaded = false;
  bool installed = false;
};

QtCatalogue& Catalogue() {
  static QtCatalogue catalogue;
  return catalogue;
}

}  // namespace

bool UseQtTexts(Language language) {
  QtCatalogue& c = Catalogue();
  if (!c.qt) {
    // Owned by the application, so they go with it.
    c.qt = new QTranslator(QCoreApplication::instance());
    c.wording = new ProgramWording(QCoreApplication::instance());
    c.loaded =
        c.qt->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    c.installed = false;
  }
  QLocale::setDefault(LocaleFor(language));
  const bool want = language == Language::kRu;
  if (want && !c.loaded) return false;
  if (want != c.installed) {
    if (want) {
      // The translator installed last is asked first.
      QCoreApplication::installTranslator(c.qt);
      QCoreApplication::installTranslator(c.wording);
    } else {
      QCoreApplication::removeTranslator(c.wording);
      QCoreApplication::removeTranslator(c.qt);
    }
    c.installed = want;
  }
  return true;
}

}  // namespace brelvik
