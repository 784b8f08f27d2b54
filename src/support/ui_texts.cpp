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
    .list_filter =
        "Текстовые файлы (*.txt)|*.txt|Файлы Excel (*.xls*)|*.xls|HTML файлы (*.html)|*.html|"
        "XMLTV (*.xml)|*.xml|Каналы для граббера (*.channels.xml)|*.channels.xml",
    .xml_dropped_characters = "Удалено управляющих символов, недопустимых в XML: ",
    .rows_without_id = "Пропущено строк без кода канала: ",
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
        "code page of the channel_id file lacks; the file has \"?\" in their "
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
    .list_filter =
        "Text files (*.txt)|*.txt|Excel files (*.xls*)|*.xls|HTML files (*.html)|*.html|"
        "XMLTV (*.xml)|*.xml|Channels for a grabber (*.channels.xml)|*.channels.xml",
    .xml_dropped_characters = "Control characters that XML cannot hold were dropped: ",
    .rows_without_id = "Rows without a channel code were left out: ",
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
};

}  // namespace

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
