// The Russian and English texts of the interface.
#include "support/ui_texts.h"

namespace brelvik {

namespace {

const UiTexts kRussian{
    .app_title = "Brelvik",
    .message_caption = "Сообщение программы",
    .no_provider = "Провайдер не выбран.",
    .no_connect = "В данный момент сайт недоступен.\nВозможно отсутствует соединение\nс Интернетом.",
    .save_done = "Файл сохранен по указанному пути.",
    .save_failed = "Сохранение файла завершилось неудачей.",
    .nothing_more_found = "Больше ничего не найдено.",
    .no_channel_list =
        "Страница сайта получена, но списка каналов в ней не найдено. "
        "Возможно, сайт изменил оформление.",
    .no_package_entries =
        "Ответ сервиса получен, но в пакете каналов нет ни одного канала. "
        "Возможно, сервис изменил формат ответа.",
    .cause_marker_missing =
        "Причина: на странице нет метки, с которой начинается или которой кончается список.",
    .cause_no_channel_line =
        "Причина: метки списка на месте, но между ними нет ни одной "
        "строки канала.",
    .cause_malformed_utf8 = "Причина: текст списка не в правильной кодировке UTF-8.",
    .cause_no_entries = "Причина: в ответе нет ни одной записи о канале.",
    .kept_existing_file =
        "Файл не перезаписан, потому что список каналов не найден "
        "(--allow-empty запишет его): ",
    .lost_characters =
        "Коды этих каналов содержат знаки, которых нет в кодировке Windows-1251 "
        "файла channel_id; в файле вместо них стоит «?»:",
    .key_collisions =
        "Названия этих каналов дают один ключ, а коды у них разные; плагин "
        "прочтёт из файла только последний код:",
    .collision_key = "Ключ ",
    .plugin_sees = " — плагин увидит только ",
    .quote_open = "«",
    .quote_close = "»",
    .more_before = "… и ещё ",
    .more_after = "",
    .save_options_title = " Сохранение файла",
    .hash_options_title = " Копирование хэша",
    .search_title = " Поиск",
    .match_case = "Учитывать регистр",
    .name_column = "Название канала",
    .code_column = "Код канала",
    .buffer_label = "Буфер",
    .provider_label = "Провайдер",
    .search_text_1 = "Искомый текст",
    .search_text_2 = "или его часть",
    .load_button = "Загрузить список каналов",
    .search_button = "Поиск канала по названию",
    .about_button = "О программе ...",
    .language_button = "English",
    .exit_button = "Выход",
    .clear_buffer = "Очистить буфер",
    .keep_edited_names = "Сохранить изменения в названиях каналов?",
    .remove_hyphen = "Удалить дефис в названиях каналов?",
    .lower_russian = "Переводить русские названия в нижний регистр?",
    .remove_dot = "Удалить точку в названиях каналов?",
    .ok = "ОК",
    .cancel = "Отмена",
    .save_list = "Сохранить список в файл",
    .copy_name = "Скопировать название канала",
    .copy_code = "Скопировать код канала",
    .copy_hash = "Скопировать хэш канала (MD5)",
    .create_m3u = "Сформировать строку для M3U",
    .create_channel_id = "Создать файл channel_id",
    .match_playlist = "Сопоставить с плейлистом...",
    .list_filter =
        "Текстовые файлы (*.txt)|*.txt|Файлы Excel (*.xls*)|*.xls|HTML файлы (*.html)|*.html|"
        "XMLTV (*.xml)|*.xml|Каналы для граббера (*.channels.xml)|*.channels.xml",
    .xml_dropped_characters = "Удалено символов, которые XML не может содержать: ",
    .rows_without_id = "Пропущено строк без кода канала: ",
    .rows_without_name = "Пропущено строк с кодом, но без названия: ",
    .merged_rows = "Строк, объединённых с более ранней строкой того же канала: ",
    .about_version = "Версия 2.0.3 от 7 июня 2016 г.",
    .about_text =
        "Brelvik — утилита для получения названий и кодов телеканалов.\n"
        "==================================\n"
        "Вспомогательная утилита для плагина плеера Orvanta и его модификаций: "
        "берёт названия и номера телеканалов с сайтов телегидов. "
        "Пригодится и другим плагинам плееров — для создания файла "
        "\"orvanta_channels_id\", без которого они не покажут программу передач каналов. "
        "Названия каналов можно поправить под встроенный плейлист, "
        "а при сохранении выбрать вариант сохранения. "
        "Двойной щелчок по названию канала начинает правку, Enter сохраняет её.",
    .about_author = "Автор:",
    .hint_header = "Параметры последнего сохранения:\r\n- телеканал - ",
    .hint_lower = "- русские названия в нижний регистр - ",
    .hint_hyphen = "- удалять дефис - ",
    .key_one = "Клавиша: ",
    .keys_many = "Клавиши: ",
    .selector_description =
        "Alt+Вниз открывает список; стрелки ходят по нему, Enter выбирает провайдера.",
    .grid_name = "Список каналов",
    .grid_description =
        "F2 или буква начинает правку названия, Enter сохраняет её, Esc отменяет; "
        "Tab переходит к кнопкам, клавиша меню открывает меню.",
    .buffer_name = "Содержимое буфера обмена",
    .progress_name = "Идёт загрузка",
    .logo_name = "Логотип Brelvik",
    .match_grid_name = "Каналы и их названия в плейлисте",
    .match_grid_description =
        "Enter подтверждает предложение, Delete — без пары, F2 или буква открывает "
        "список названий; Tab уходит из таблицы, Esc закрывает окно.",
    .match_score_name = "Наименьшая оценка для принятия",
    .match_progress_name = "Ход сопоставления",
    .match_refresh_name = "Изменения у провайдера",
    .clear_search = "Очистить поиск",
};

const UiTexts kEnglish{
    .app_title = "Brelvik",
    .message_caption = "Message program",
    .no_provider = "The provider is not selected.",
    .no_connect = "At the moment the site is unavailable.\nPerhaps there is no Internet\nconnection.",
    .save_done = "The file is saved in the specified path.",
    .save_failed = "Saving the file failed.",
    .nothing_more_found = "More than anything found.",
    .no_channel_list =
        "The site's page arrived, but no channel list was found in it. "
        "The site may have changed its layout.",
    .no_package_entries =
        "The service answered, but its channel package holds no channel. "
        "The service may have changed its answer.",
    .cause_marker_missing = "Cause: the page lacks the mark where the list begins or ends.",
    .cause_no_channel_line =
        "Cause: the list's marks are there, but no channel line stands between them.",
    .cause_malformed_utf8 = "Cause: the list's text is not well-formed UTF-8.",
    .cause_no_entries = "Cause: the answer holds no channel entry.",
    .kept_existing_file =
        "The file was not overwritten, for no channel list was found "
        "(--allow-empty writes it): ",
    .lost_characters =
        "The codes of these channels hold characters that the Windows-1251 "
        "code page of the channel_id file lacks; the file has “?” in their "
        "place:",
    .key_collisions =
        "The names of these channels give one key, but their codes differ; the "
        "plug-in reads only the last code from the file:",
    .collision_key = "Key ",
    .plugin_sees = " — the plug-in will see only ",
    .quote_open = "“",
    .quote_close = "”",
    .more_before = "… and ",
    .more_after = " more",
    .save_options_title = " Save a file",
    .hash_options_title = " Copy hash",
    .search_title = " Search",
    .match_case = "Consider register",
    .name_column = "Name of channel",
    .code_column = "Channel's code",
    .buffer_label = "Buffer",
    .provider_label = "Provider",
    .search_text_1 = "Seeking text or",
    .search_text_2 = "a portion thereof",
    .load_button = "Load channel's list",
    .search_button = "Channel search by name",
    .about_button = "About ...",
    .language_button = "Russian",
    .exit_button = "Exit",
    .clear_buffer = "Clear buffer",
    .keep_edited_names = "Save the changes to the channel name?",
    .remove_hyphen = "Remove the hyphen in the channel name?",
    .lower_russian = "Translate Russian names to lowercase?",
    .remove_dot = "Remove a point in the channel name?",
    .ok = "OK",
    .cancel = "Cancel",
    .save_list = "Save list to a file",
    .copy_name = "Copy the name of the channel",
    .copy_code = "Copy the code of the channel",
    .copy_hash = "Copy the hash of the channel (MD5)",
    .create_m3u = "Create string for playlist M3U",
    .create_channel_id = "Create file channel_id",
    .match_playlist = "Match with a playlist...",
    .list_filter =
        "Text files (*.txt)|*.txt|Excel files (*.xls*)|*.xls|HTML files (*.html)|*.html|"
        "XMLTV (*.xml)|*.xml|Channels for a grabber (*.channels.xml)|*.channels.xml",
    .xml_dropped_characters = "Characters that XML cannot hold were dropped: ",
    .rows_without_id = "Rows without a channel code were left out: ",
    .rows_without_name = "Rows with a code but without a name were left out: ",
    .merged_rows = "Rows merged into the channel of an earlier row with the same id: ",
    .about_version = "Version 2.0.3 of June 7, 2016",
    .about_text =
        "Brelvik is a utility for obtaining the names and codes of TV channels.\n"
        "==================================\n"
        "An auxiliary utility for the Orvanta player plug-in and its modifications: "
        "it takes the names and numbers of TV channels from TV-guide sites. "
        "Other player plug-ins can use it too, to make the file \"orvanta_channels_id\" "
        "they need to show the channels' programme guides. "
        "Channel names can be edited to match the built-in playlist, "
        "and a saving variant can be chosen when saving. "
        "Double-click a channel name to edit it; Enter saves the change.",
    .about_author = "Autor:",
    .hint_header = "Parameters last saved:\r\n- telechannel - ",
    .hint_lower = "- russian names to lower case - ",
    .hint_hyphen = "- remove hyphens - ",
    .key_one = "Key: ",
    .keys_many = "Keys: ",
    .selector_description =
        "Alt+Down opens the list; the arrow keys move in it, Enter picks the provider.",
    .grid_name = "Channel list",
    .grid_description =
        "F2 or a letter starts editing the name, Enter saves it, Esc cancels; "
        "Tab moves on to the buttons, the menu key opens the menu.",
    .buffer_name = "What the clipboard holds",
    .progress_name = "Loading",
    .logo_name = "Brelvik logo",
    .match_grid_name = "Channels and their playlist names",
    .match_grid_description =
        "Enter confirms the suggestion, Delete says no match, F2 or a letter opens the "
        "playlist's names; Tab leaves the table, Esc closes the window.",
    .match_score_name = "Lowest score to accept",
    .match_progress_name = "Matching progress",
    .match_refresh_name = "Changes at the provider",
    .clear_search = "Clear the search",
};

const MatchWindowTexts kMatchRussian{
    .title = "Сопоставление с плейлистом",
    .open_playlist = "Открыть плейлист...",
    .playlist_filter = "Плейлисты (*.m3u *.m3u8 *.txt)|Все файлы (*)",
    .no_playlist = "Выберите ваш плейлист: файл M3U или список названий, по одному в строке.",
    .playlist_state = "%1: записей %2, названий %3",
    .warnings = "предупреждений: %1",
    .line = "строка %1: ",
    .matching = "Сопоставление...",
    .match_cancelled = "Сопоставление прервано.",
    .table_empty = "В таблице нет каналов: загрузите список провайдера.",
    .cancel = "Прервать",
    .show = "Показать:",
    .filters = {"все", "на проверку", "без пары", "точные", "автоматические", "ваш выбор"},
    .find = "Найти:",
    .find_hint = "часть названия или кода",
    .columns = {"Название у провайдера", "Код", "Название в плейлисте", "Ещё", "Оценка",
                "Состояние", "Причина"},
    .status_exact = "точно",
    .status_auto = "автоматически",
    .status_review = "проверить",
    .status_none = "без пары",
    .status_confirmed = "ваш выбор",
    .status_rejected = "ваш выбор: без пары",
    .no_match_item = "— без пары —",
    .entries_hint = "записей в плейлисте: %1",
    .confirm = "Подтвердить",
    .confirm_hint = "Принять предложенное название для выделенных строк (Enter)",
    .no_match = "Без пары",
    .no_match_hint = "У выделенных строк нет пары в плейлисте (Delete)",
    .accept_all = "Принять все предложения с оценкой от",
    .accepted = "Принято предложений: %1.",
    .accept_title = "Принять предложения",
    .accept_question = "Принять предложений: %1? Останутся на проверке: %2.",
    .accept_none = "Принимать нечего: все %1 строк на проверке ждут вашего решения.",
    .left_for = {"название уже у другого канала: %1",
                 "два названия или два канала подходят одинаково: %1",
                 "слово написано иначе тем же алфавитом: %1",
                 "4K/UHD только в одном из названий: %1",
                 "другая страна: %1",
                 "сокращение, регион, слово языка или «ТБ»: %1",
                 "ваше прежнее название пропало или сменился код: %1",
                 "оценка ниже выбранной: %1"},
    .undo = "Отменить",
    .undone = "Окно возвращено к состоянию до принятия предложений.",
    .give_title = "Название уже занято",
    .give_question = "Название «%1» уже у канала «%2». Отдать его каналу «%3»? "
                     "Канал «%2» тогда будет на проверке.",
    .give = "Отдать",
    .keep = "Оставить как есть",
    .also_hint = "Ещё названий этого канала в плейлисте: %1",
    .further_title = "Другие названия канала «%1» в плейлисте",
    .further_none = "У этого канала нет других названий в плейлисте.",
    .detach = "Отсоединить",
    .attach = "Добавить",
    .attach_hint = "название из плейлиста",
    .overwrite_title = "Файл уже есть",
    .overwrite_question = "Файл «%1» уже существует. Заменить его?",
    .replace = "Заменить",
    .dont_replace = "Не заменять",
    .attach_held = "«%1» — пара канала «%2»: сначала измените ту строку.",
    .counts = "Точно: %1   автоматически: %2   ваш выбор: %3   на проверку: %4   "
              "без пары: %5   (показано %6 из %7)",
    .apply = "Применить к таблице",
    .applied = "Названия из плейлиста получили каналов: %1.",
    .restore = "Вернуть названия провайдера",
    .restored = "Каналам возвращены названия провайдера.",
    .write_playlist = "Записать плейлист...",
    .playlist_written = "Плейлист записан: tvg-id у записей: %1.",
    .save_mapping = "Сохранить сопоставление...",
    .open_mapping = "Открыть сопоставление...",
    .mapping_filter = "Сопоставления (*.tsv *.txt)|Все файлы (*)",
    .mapping_saved = "Сопоставление сохранено: решений %1, из них ваших %2.",
    .mapping_applied = "Применено ваших решений из сопоставления: %1.",
    .close = "Закрыть",
    .carried = "Ваши решения перенесены на новую загрузку: %1.",
    .refresh_title = "Изменения у провайдера с сохранения сопоставления",
    .refresh_since_load = "Изменения у провайдера с прошлой загрузки",
    .refresh_columns = {"Код", "Название", "Было"},
    .refresh_new = "Новые каналы: %1",
    .refresh_gone = "Пропавшие каналы: %1",
    .refresh_renamed = "Переименованы провайдером: %1",
    .refresh_code_changed = "Сменили код (на проверку): %1",
    .refresh_none = "У провайдера ничего не изменилось.",
    .hide = "Скрыть",
};

const MatchWindowTexts kMatchEnglish{
    .title = "Matching with a playlist",
    .open_playlist = "Open playlist...",
    .playlist_filter = "Playlists (*.m3u *.m3u8 *.txt)|All files (*)",
    .no_playlist = "Choose your playlist: an M3U file, or a list of names, one per line.",
    .playlist_state = "%1: %2 entries, %3 names",
    .warnings = "%1 warnings",
    .line = "line %1: ",
    .matching = "Matching...",
    .match_cancelled = "Matching cancelled.",
    .table_empty = "The table has no channels: load a provider's list.",
    .cancel = "Cancel",
    .show = "Show:",
    .filters = {"all", "to review", "unmatched", "exact", "automatic", "your choices"},
    .find = "Find:",
    .find_hint = "part of a name or code",
    .columns = {"Provider's name", "Code", "Playlist name", "Also", "Score", "Status", "Reason"},
    .status_exact = "exact",
    .status_auto = "automatic",
    .status_review = "to review",
    .status_none = "unmatched",
    .status_confirmed = "your choice",
    .status_rejected = "your: no match",
    .no_match_item = "— no match —",
    .entries_hint = "entries in the playlist: %1",
    .confirm = "Confirm",
    .confirm_hint = "Accept the suggested name for the selected rows (Enter)",
    .no_match = "No match",
    .no_match_hint = "The selected rows have no match in the playlist (Delete)",
    .accept_all = "Accept all suggestions at or above",
    .accepted = "Suggestions accepted: %1.",
    .accept_title = "Accept suggestions",
    .accept_question = "Accept %1 suggestions? %2 stay to review.",
    .accept_none = "Nothing to accept: all %1 rows to review wait for your decision.",
    .left_for = {"another channel holds the name: %1",
                 "two names or two channels fit alike: %1",
                 "a word spelled otherwise in the same alphabet: %1",
                 "4K/UHD in one name only: %1",
                 "another country: %1",
                 "an abbreviation, a region, a language word or “ТБ”: %1",
                 "your earlier name is gone or the code changed: %1",
                 "a score below the one chosen: %1"},
    .undo = "Undo",
    .undone = "The window is back as it was before the suggestions were accepted.",
    .give_title = "The name is taken",
    .give_question = "The name “%1” belongs to “%2”. Give it to “%3”? “%2” will then be to "
                     "review.",
    .give = "Give it",
    .keep = "Keep it where it is",
    .also_hint = "More names of this channel in the playlist: %1",
    .further_title = "Other names of “%1” in the playlist",
    .further_none = "This channel has no other name in the playlist.",
    .detach = "Detach",
    .attach = "Attach",
    .attach_hint = "a playlist name",
    .overwrite_title = "The file exists",
    .overwrite_question = "“%1” already exists. Replace it?",
    .replace = "Replace",
    .dont_replace = "Don't replace",
    .attach_held = "“%1” is the match of “%2”: change that row first.",
    .counts = "Exact: %1   automatic: %2   your choices: %3   to review: %4   unmatched: %5   "
              "(%6 of %7 shown)",
    .apply = "Apply to the table",
    .applied = "Channels given their playlist names: %1.",
    .restore = "Restore the provider's names",
    .restored = "The channels have their provider's names again.",
    .write_playlist = "Write playlist...",
    .playlist_written = "Playlist written: tvg-id on %1 entries.",
    .save_mapping = "Save mapping...",
    .open_mapping = "Open mapping...",
    .mapping_filter = "Mappings (*.tsv *.txt)|All files (*)",
    .mapping_saved = "Mapping saved: %1 decisions, %2 of them yours.",
    .mapping_applied = "Your decisions applied from the mapping: %1.",
    .close = "Close",
    .carried = "Your decisions carried over to the new load: %1.",
    .refresh_title = "Changes at the provider since the mapping was saved",
    .refresh_since_load = "Changes at the provider since the previous load",
    .refresh_columns = {"Code", "Name", "Before"},
    .refresh_new = "New channels: %1",
    .refresh_gone = "Channels gone: %1",
    .refresh_renamed = "Renamed by the provider: %1",
    .refresh_code_changed = "Code changed (to review): %1",
    .refresh_none = "Nothing has changed at the provider.",
    .hide = "Hide",
};

}  // namespace

const MatchWindowTexts& MatchTextsFor(Language language) {
  return language == Language::kRu ? kMatchRussian : kMatchEnglish;
}

Language LanguageFromCode(std::string_view code) {
  return code == "RU" ? Language::kRu : Language::kEn;
}

std::string_view LanguageCode(Language language) {
  return language == Language::kRu ? "RU" : "EN";
}

const UiTexts& TextsFor(Language language) {
  return language == Language::kRu ? kRussian : kEnglish;
}

}  // namespace brelvik
