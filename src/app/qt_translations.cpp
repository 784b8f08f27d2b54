// Qt's own texts in the interface language.
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace brelvik {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Qt's Russian catalogue leaves the standard "OK" button in Latin letters;
// the program's own dialogs write it in Cyrillic, and so do message boxes.
class ProgramWording : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    Q_UNUSED(disambiguation);
    Q_UNUSED(n);
    if (qstrcmp(context, "QPlatformTheme") == 0 && qstrcmp(source, "OK") == 0) {
      return Q(TextsFor(Language::kRu).ok);
    }
    return {};
  }
};

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
    c.loaded = c.qt->load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    c.installed = false;
  }
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
