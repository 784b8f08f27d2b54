// Generated provider pages and random damage to them.
#include "loaders/generated_pages.h"

#include <random>

namespace brelvik::test {

namespace {

// "Канал N" in UTF-8 or in Windows-1251.
std::string Name(int n, bool cp1251) {
  return (cp1251 ? std::string("\xCA\xE0\xED\xE0\xEB ") : std::string("Канал ")) +
         std::to_string(n);
}

}  // namespace

std::string GeneratedVsetvPage(int channels) {
  std::string page = "<html><body><select name=ch><option value=\"\">--</option>\n";
  for (int i = 0; i < channels; ++i) {
    // Windows-1251 Cyrillic names, as the site serves them, and Latin ones.
    const int number = i * 7919 % 100000;
    page += "<option value=channel_" + std::to_string(i) + ">" +
            (i % 2 ? Name(number, true) : "Channel " + std::to_string(number)) + "</option>";
  }
  return page + "</select></body></html>";
}

std::string GeneratedTeleguidePage(int channels) {
  std::string page = "<html><body><h1>Каналы</h1>\n";
  for (int i = 0; i < channels; ++i) {
    if (i % 100 == 0) {
      if (i > 0) page += "</div>\n";
      page += "<div id=\"programm_group\"><h2>Группа</h2>\n";
    }
    const std::string name = Name(i, false);
    page += "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal" +
            std::to_string(i) + ".html\" title=\"" + name + "\"alt=\"" + name +
            "\" /></a></div></div>\n";
  }
  return page + "</div>\n<div id=\"footer\">(c)</div></body></html>";
}

std::string GeneratedAkadoPage(int channels) {
  std::string page = "<table><thead><tr><th><a href=\"?s\">Канал</a></th></tr></thead>\n<tbody>\n";
  for (int i = 0; i < channels; ++i) {
    page +=
        "<tr><td><a href=\"" + std::to_string(i) + ".html\">" + Name(i, false) + "</a></td></tr>\n";
  }
  return page + "</tbody>\n<tbody class=\"tv-special\"></tbody></table>";
}

std::string GeneratedNtvplusPage(int channels) {
  std::string page = "<div><h1><a href=\"/\">ТВ</a></h1></div>\n<select name=\"ch\">";
  for (int i = 0; i < channels; ++i) {
    if (i % 100 == 0) {
      page += i > 0 ? "</optgroup><optgroup label=\"Г\">" : "<optgroup label=\"Г\">";
    }
    page += "<option value=\"" + std::to_string(i) + "\">" + Name(i, false) + "</option>\n";
  }
  return page + "</optgroup></select>\n<div class=\"rightentry\"></div>";
}

std::string GeneratedOntimetvPage(int channels) {
  std::string page = "<div id=\"tv_left_side\"><h2>Кино</h2>\n<table>\n";
  for (int i = 0; i < channels; ++i) {
    const std::string name = Name(i, true);
    page += "<tr><td><div class=\"normal_div1\">" + name +
            "</div><a href=\"/tv/?ch0=" + std::to_string(i) + "\" title=\"" + name + "\">" + name +
            "</a></td></tr>\n";
  }
  return page + "</table>\n</div>";
}

std::string GeneratedZakonPage(int channels) {
  std::string page = "<script type=\"text/javascript\">\nvar channels = {\n";
  for (int i = 0; i < channels; ++i) {
    page += "\t'" + std::to_string(i) + "':{'id':'" + std::to_string(i + 1000) + "','name':'" +
            Name(i, true) + "','logo':'l.png'},\n";
  }
  return page + "};\n</script>";
}

std::string GeneratedTricolorPage(int channels) {
  std::string page = "<html><body><div class=\"check-group\">\r\n";
  const int per_tab = (channels + 9) / 10;
  for (int i = 0; i < channels; ++i) {
    if (i == 0) {
      page += "\t<div id=\"fav-ch-4\" class=\"active\">\r\n";
    } else if (i % per_tab == 0) {
      page += "\t</div><div id=\"fav-ch-" + std::to_string(i / per_tab) + "\">\r\n";
    }
    page += "\t\t<label><input type=\"checkbox\" value=\"" + std::to_string(i) +
            "\" name=\"fc\"><span>Канал " + std::to_string(i) + "</span></label>\r\n";
  }
  return page + "\t</div>\r\n<table class=\"redbutton\"><tr><td></td></tr></table></body></html>";
}

std::string GeneratedChannelPackageAnswer(int channels) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\n<l>\n";
  for (int i = 0; i < channels; ++i) {
    const std::string code = std::to_string(100000 + i);
    xml += " <c><i>" + code + "</i><n>" + std::to_string(i % 1000) + "</n><t>Канал " + code +
           "</t></c>\n";
  }
  return xml + "</l>\n</r>\n";
}

std::string DamagedPage(std::string page, const std::vector<std::string_view>& markers,
                        std::uint32_t seed, int edits) {
  std::mt19937 random(seed);
  const std::vector<std::string> odd{
      "\r\n",  "\n",      "\r",   " ",    "\t",   "|", ">", "\"", "'", std::string(1, '\0'),
      "&amp;", "&#1058;", "&gt;", "\xD0", "\xCA", "Ё", ",", ":",  ";", "."};
  for (int edit = 0; edit < edits && !page.empty(); ++edit) {
    const std::size_t at = random() % (page.size() + 1);
    switch (random() % 4) {
      case 0: {  // a piece of a marker: its start, its end or all of it
        const std::string_view marker = markers[random() % markers.size()];
        const std::size_t from = random() % 2 ? 0 : random() % marker.size();
        const std::size_t to =
            random() % 2 ? marker.size() : from + random() % (marker.size() - from + 1);
        page.insert(at, marker.substr(from, to - from));
        break;
      }
      case 1:
        page.insert(at, odd[random() % odd.size()]);
        break;
      case 2:
        page.erase(std::min(at, page.size() - 1), 1 + random() % 4);
        break;
      default: {  // a copy of a stretch of the page elsewhere
        const std::size_t from = random() % page.size();
        const std::string stretch = page.substr(from, 1 + random() % 40);
        page.insert(at, stretch);
        break;
      }
    }
  }
  return page;
}

}  // namespace brelvik::test
