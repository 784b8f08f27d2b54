// The failures' texts in Russian and English.
#include "support/failure.h"

#include <cerrno>
#include <system_error>

namespace brelvik {

namespace {

bool Ru(Language language) { return language == Language::kRu; }

// Russian nouns after a number: one form for 1, 21, 31..., one for 2-4,
// 22-24..., one for the rest.
std::string_view RuPlural(std::uint64_t n, std::string_view one, std::string_view few,
                          std::string_view many) {
  if (n % 10 == 1 && n % 100 != 11) return one;
  if (n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14)) return few;
  return many;
}

// The Russian phrases use a duration after "за" (accusative) or after
// "в течение" and a size after "больше" (genitive).
enum class RuCase { kAccusative, kGenitive };

std::string Duration(std::uint64_t ms, Language language, RuCase ru_case = RuCase::kAccusative) {
  const bool genitive = ru_case == RuCase::kGenitive;
  if (ms % 1000 != 0 || ms == 0) return std::to_string(ms) + (Ru(language) ? " мс" : " ms");
  const bool minutes = ms % 60000 == 0;
  const std::uint64_t n = minutes ? ms / 60000 : ms / 1000;
  std::string text = std::to_string(n) + " ";
  if (!Ru(language)) {
    return text + (minutes ? (n == 1 ? "minute" : "minutes") : (n == 1 ? "second" : "seconds"));
  }
  if (minutes) {
    return text + std::string(genitive ? RuPlural(n, "минуты", "минут", "минут")
                                       : RuPlural(n, "минуту", "минуты", "минут"));
  }
  return text + std::string(genitive ? RuPlural(n, "секунды", "секунд", "секунд")
                                     : RuPlural(n, "секунду", "секунды", "секунд"));
}

// A size after "larger than" / "больше".
std::string Size(std::uint64_t bytes, Language language) {
  constexpr std::uint64_t kKiB = 1024;
  constexpr std::uint64_t kMiB = kKiB * kKiB;
  if (bytes >= kMiB && bytes % kMiB == 0) {
    return std::to_string(bytes / kMiB) + (Ru(language) ? " МиБ" : " MiB");
  }
  if (bytes >= kKiB && bytes % kKiB == 0) {
    return std::to_string(bytes / kKiB) + (Ru(language) ? " КиБ" : " KiB");
  }
  if (Ru(language)) {
    return std::to_string(bytes) + " " + std::string(RuPlural(bytes, "байта", "байт", "байт"));
  }
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string FileKind(std::string_view key, Language language) {
  if (key == "fifo") return Ru(language) ? "именованный канал (FIFO)" : "a FIFO";
  if (key == "socket") return Ru(language) ? "сокет" : "a socket";
  return Ru(language) ? "устройство" : "a device";
}

}  // namespace

std::string SystemReason(int error, Language language) {
  if (Ru(language)) {
    switch (error) {
      case ENOSPC:
        return "на диске нет места";
      case EROFS:
        return "файловая система только для чтения";
      case EACCES:
        return "доступ запрещён";
      case EPERM:
        return "операция запрещена";
      case ENOENT:
        return "нет такого каталога";
      case ENOTDIR:
        return "часть пути — не каталог";
      case EISDIR:
        return "это каталог";
      case ENAMETOOLONG:
        return "слишком длинное имя";
      case EFBIG:
        return "файл слишком велик";
      case EDQUOT:
        return "превышена дисковая квота";
      case EIO:
        return "ошибка ввода-вывода";
      case EBADF:
        return "файловый дескриптор закрыт";
      case ELOOP:
        return "слишком много символических ссылок";
      default:
        break;
    }
  }
  return std::generic_category().message(error);
}

std::string FailureText(const Failure& f, Language language) {
  const bool ru = Ru(language);
  switch (f.kind) {
    case FailureKind::kOther:
      return f.detail;
    case FailureKind::kCancelled:
      return ru ? "Запрос отменён" : "The request was cancelled";
    case FailureKind::kHostNotFound:
      return (ru ? "Узел не найден: " : "Host not found: ") + f.where;
    case FailureKind::kConnectionRefused:
      return (ru ? "Соединение отклонено: " : "Connection refused: ") + f.where;
    case FailureKind::kConnectFailed:
      return (ru ? "Не удалось соединиться с " : "Could not connect to ") + f.where + ": " +
             f.detail;
    case FailureKind::kConnectTimeout:
      return ru ? "Нет соединения с " + f.where + " за " + Duration(f.amount, language)
                : "Could not connect to " + f.where + " within " + Duration(f.amount, language);
    case FailureKind::kStallTimeout:
      return (ru ? "Сервер ничего не присылал в течение " +
                       Duration(f.amount, language, RuCase::kGenitive)
                 : "The server sent nothing for " + Duration(f.amount, language)) +
             ": " + f.where;
    case FailureKind::kDeadline:
      return (ru ? "Сервер не закончил ответ за " + Duration(f.amount, language)
                 : "The server did not finish its answer within " + Duration(f.amount, language)) +
             ": " + f.where;
    case FailureKind::kTooLarge:
      return (ru ? "Ответ больше " : "The answer is larger than ") + Size(f.amount, language) +
             ": " + f.where;
    case FailureKind::kHttpStatus:
      return (ru ? "Сервер ответил " : "") + f.detail + ": " + f.where;
    case FailureKind::kNotHttp:
      return (ru ? "ответ сервера — не HTTP: " : "the server's answer is not HTTP: ") + f.where;
    case FailureKind::kConflictingLength:
      return (ru ? "ответ сервера — не корректный HTTP: две разные длины: "
                 : "the server's answer is not valid HTTP: two different lengths: ") +
             f.where;
    case FailureKind::kHeaderTooLong:
      return (ru ? "строка заголовка ответа слишком длинная: "
                 : "a header line of the answer is too long: ") +
             f.where;
    case FailureKind::kBadAddress:
      return (ru ? "Непригодный адрес: " : "Not a usable address: ") + f.where;
    case FailureKind::kMalformedXml:
      return ru ? "некорректный XML в байте " + std::to_string(f.amount) + ": " + f.detail
                : "malformed XML: " + f.detail + " at byte " + std::to_string(f.amount);
    case FailureKind::kFileWrite:
      return (ru ? "Не удалось записать " : "Cannot write ") + f.where + ": " +
             SystemReason(f.error_number, language);
    case FailureKind::kNotRegularFile:
      return ru ? "Не удалось записать " + f.where + ": это " + FileKind(f.detail, language) +
                      ", а не обычный файл"
                : "Cannot write " + f.where + ": it is " + FileKind(f.detail, language) +
                      ", not a regular file";
    case FailureKind::kCreateFolder:
      return (ru ? "Не удалось создать каталог " : "Cannot create ") + f.where + ": " +
             SystemReason(f.error_number, language);
    case FailureKind::kNoCacheFolder:
      return ru ? "папка кэша пользователя неизвестна" : "no cache folder is known for the user";
    case FailureKind::kTraceNotWritten:
      return (ru ? "Каналы загружены, но файл трассировки не записан: "
                 : "The channels loaded, but the trace file was not written: ") +
             (f.cause ? FailureText(*f.cause, language) : f.detail);
    case FailureKind::kOutputWrite:
      return (ru ? "Не удалось записать в стандартный вывод: "
                 : "Cannot write to the standard output: ") +
             SystemReason(f.error_number, language);
  }
  return f.detail;
}

Failure FailureOf(const std::exception& error) {
  if (const auto* carried = dynamic_cast<const FailureError*>(&error)) return carried->GetFailure();
  return Failure::Other(error.what());
}

}  // namespace brelvik
