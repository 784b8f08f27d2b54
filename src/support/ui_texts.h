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
  std::string_view match_playlist;    // match1: opens the playlist matching window
  std::string_view list_filter;       // SD1: "Name|*.ext|..." five entries
  // Notices after a guide export, each followed by a count and ".".
  std::string_view xml_dropped_characters;
  std::string_view rows_without_id;
  std::string_view rows_without_name;
  std::string_view merged_rows;
  // About window.
  std::string_view about_version;
  std::string_view about_text;
  std::string_view about_author;
  // Hint of the clipboard buffer label.
  std::string_view hint_header;       // followed by the channel name
  std::string_view hint_lower;        // followed by Yes/No
  std::string_view hint_hyphen;       // followed by Yes/No
  // Keys, as tooltips and assistive technology tell them.
  std::string_view key_one;           // before one key: "Key: F1"
  std::string_view keys_many;         // before several: "Keys: F5, Ctrl+L"
  std::string_view selector_description;  // Combo1
  std::string_view grid_name;             // Grid1
  std::string_view grid_description;
  std::string_view buffer_name;           // Label2
  std::string_view progress_name;         // Panel_Progress
  std::string_view logo_name;             // the About window's picture
  // The matching window's controls without a caption of their own.
  std::string_view match_grid_name;
  std::string_view match_grid_description;
  std::string_view match_score_name;      // the score beside "accept all"
  std::string_view match_progress_name;
  std::string_view match_refresh_name;
  std::string_view clear_search;          // the clear button of a search field
};

const UiTexts& TextsFor(Language language);

// The playlist matching window. "%1", "%2", ... stand for the numbers and
// names filled in when shown.
struct MatchWindowTexts {
  std::string_view title;            // window title
  std::string_view open_playlist;    // BTN_OpenPlaylist
  std::string_view playlist_filter;  // file dialog filters, "|"-separated
  std::string_view no_playlist;      // before a playlist is chosen
  std::string_view playlist_state;   // %1 file, %2 entries, %3 distinct names
  std::string_view warnings;         // %1 warnings; the list is the hint
  std::string_view line;             // "line %1: " before a warning
  std::string_view matching;         // while the match runs
  std::string_view match_cancelled;
  std::string_view table_empty;      // the main window's table has no rows
  std::string_view cancel;           // BTN_CancelMatch
  std::string_view show;             // Label_Filter
  std::string_view filters[6];       // all, to review, unmatched, exact, automatic, yours
  std::string_view find;             // Label_Search
  std::string_view find_hint;        // Edit_Search placeholder
  std::string_view columns[7];       // provider name, code, playlist name, also, score, status, reason
  std::string_view status_exact;
  std::string_view status_auto;
  std::string_view status_review;
  std::string_view status_none;
  std::string_view status_confirmed;  // a name the user chose
  std::string_view status_rejected;   // "no match" as the user said
  std::string_view no_match_item;     // first item of the name drop-down
  std::string_view entries_hint;      // %1 playlist entries bear the name
  std::string_view confirm;           // BTN_Confirm
  std::string_view confirm_hint;
  std::string_view no_match;          // BTN_NoMatch
  std::string_view no_match_hint;
  std::string_view accept_all;        // BTN_AcceptAll, followed by the spin box
  std::string_view accepted;          // %1 suggestions accepted
  std::string_view accept_title;      // the question before a bulk acceptance
  std::string_view accept_question;   // %1 to accept, %2 left; the reasons follow
  std::string_view accept_none;       // nothing to accept: %1 left; the reasons follow
  std::string_view left_for[8];       // %1 rows left: held, tie, spelling, 4K, country,
                                      // assumption, other, below the score
  std::string_view undo;              // BTN_Undo
  std::string_view undone;            // after an undo
  std::string_view give_title;        // a name another row holds
  std::string_view give_question;     // %1 name, %2 its row, %3 this row
  std::string_view give;              // the button that gives the name
  std::string_view keep;              // the button that keeps it where it is
  std::string_view also_hint;         // %1 further names; the names follow
  std::string_view further_title;     // Panel_Further, %1 the row's name
  std::string_view further_none;      // the row has no further name
  std::string_view detach;            // BTN_Detach
  std::string_view attach;            // BTN_Attach
  std::string_view attach_hint;       // Combo_Attach placeholder
  std::string_view overwrite_title;
  std::string_view overwrite_question;  // %1 file name
  std::string_view replace;             // the answer that replaces it
  std::string_view dont_replace;
  std::string_view attach_held;         // %1 name, %2 the row whose match it is
  std::string_view counts;  // %1 exact, %2 auto, %3 yours, %4 review, %5 none, %6 shown, %7 all
  std::string_view apply;             // BTN_Apply
  std::string_view applied;           // %1 rows renamed
  std::string_view restore;           // BTN_Restore
  std::string_view restored;
  std::string_view write_playlist;    // BTN_WritePlaylist
  std::string_view playlist_written;  // %1 entries got a tvg-id
  std::string_view save_mapping;      // BTN_SaveMapping
  std::string_view open_mapping;      // BTN_OpenMapping
  std::string_view mapping_filter;
  std::string_view mapping_saved;     // %1 decisions, %2 of them the user's
  std::string_view mapping_applied;   // %1 decisions of the user applied
  std::string_view close;             // BTN_Close
  std::string_view carried;           // %1 decisions of the user carried to a new load
  std::string_view refresh_title;     // Panel_Refresh, after a mapping was opened
  std::string_view refresh_since_load;  // Panel_Refresh, after a new load
  std::string_view refresh_columns[3];  // code, name, before
  std::string_view refresh_new;       // %1 count
  std::string_view refresh_gone;
  std::string_view refresh_renamed;
  std::string_view refresh_code_changed;
  std::string_view refresh_none;      // nothing changed since the mapping
  std::string_view hide;              // BTN_HideRefresh
};

const MatchWindowTexts& MatchTextsFor(Language language);

// The project's home page, shown in the About window.
inline constexpr std::string_view kHomePage = "https://brelvik.org";

}  // namespace brelvik
