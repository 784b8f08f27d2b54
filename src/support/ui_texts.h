// Every text the program shows, one table per interface language.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

enum class Language { kRu, kEn };

// "RU" gives Russian; any other code English.
Language LanguageFromCode(std::string_view code);
std::string_view LanguageCode(Language language);

struct UiTexts {
  // Window and messages.
  std::string_view app_title;         // "Brelvik"
  std::string_view message_caption;   // caption of the program's message boxes
  std::string_view no_provider;       // no provider selected
  std::string_view no_connect;        // the site did not answer the probe
  std::string_view save_done;         // the channel_id file was written
  std::string_view save_failed;       // the channel_id file could not be written
  std::string_view nothing_more_found;  // the search found nothing (more)
  // A page that arrived without a channel list, and why.
  std::string_view no_channel_list;     // the page held no channel list
  std::string_view no_package_entries;  // the channel-package answer held no channel
  std::string_view cause_marker_missing;
  std::string_view cause_no_channel_line;
  std::string_view cause_malformed_utf8;
  std::string_view cause_no_entries;
  std::string_view kept_existing_file;  // followed by the file's name
  // What the channel_id file could not say.
  std::string_view lost_characters;  // codes with characters Windows-1251 lacks
  std::string_view key_collisions;   // names of one key with different codes
  std::string_view collision_key;    // followed by the key
  std::string_view plugin_sees;      // followed by the code the plug-in keeps
  std::string_view quote_open;
  std::string_view quote_close;
  std::string_view more_before;  // "... and N more" around N
  std::string_view more_after;
  // Dialog panel titles.
  std::string_view save_options_title;
  std::string_view hash_options_title;
  std::string_view search_title;
  // Controls of the main window and the panels.
  std::string_view match_case;        // CheckBox2
  std::string_view name_column;
  std::string_view code_column;
  std::string_view buffer_label;      // Label1
  std::string_view provider_label;    // Label_prov
  std::string_view search_text_1;     // Label3
  std::string_view search_text_2;     // Label4
  std::string_view load_button;       // BTN_Start
  std::string_view search_button;     // BTN_Search
  std::string_view about_button;      // Btn6
  std::string_view language_button;   // Btn9: names the other language
  std::string_view exit_button;       // Btn7
  std::string_view clear_buffer;      // VHSBtn1
  std::string_view keep_edited_names; // CBox1
  std::string_view remove_hyphen;     // CBox2, CBox5
  std::string_view lower_russian;     // CBox3, CBox4
  std::string_view remove_dot;        // CheckBox1
  std::string_view ok;                // VHSBtn2, VHSBtn4, VHSBtn6
  std::string_view cancel;            // VHSBtn3, VHSBtn5, VHSBtn7
  std::string_view save_list;         // BTN_SaveToFile, N1
  std::string_view copy_name;         // BTN_CopyName, N2
  std::string_view copy_code;         // BTN_CopyCod, N3
  std::string_view copy_hash;         // BTN_CopyHash, MD51
  std::string_view create_m3u;        // BTN_Create, M3U1
  std::string_view create_channel_id; // BTN_ChannelID, channelid1
  std::string_view list_filter;       // SD1: "Name|*.ext|..." five entries
  // Notices after a guide export, each followed by a count and ".".
  std::string_view xml_dropped_characters;
  std::string_view rows_without_id;
  // About window.
  std::string_view about_version;
  std::string_view about_text;
  std::string_view about_author;
  // Hint of the clipboard buffer label.
  std::string_view hint_header;       // followed by the channel name
  std::string_view hint_lower;        // followed by Yes/No
  std::string_view hint_hyphen;       // followed by Yes/No
};

const UiTexts& TextsFor(Language language);

// The project's home page, shown in the About window.
inline constexpr std::string_view kHomePage = "https://brelvik.org";

}  // namespace brelvik
