// Prints the keystrokes (xdotool key names) that reach every menu item and key of the command
// table, so that the Xvfb walk follows the table rather than a hand list. One line a stroke:
//   KIND <tab> ID <tab> NAME <tab> STATE <tab> KEYS
// KIND is "menu" or "key"; NAME is a file-name-safe label; STATE is "enabled" or "greyed" in a
// station that holds its resources, is idle and not scanning (the walk stops the start-up scan
// first), with the AQC-ALE switch and the TWX mode off, as the items run one after another. An item with a mnemonic
// unique in its menu is reached by its letter; one without is reached by Down from the menu's
// first item, counting the enabled items above it (the menu skips separators and greyed items).
// A menu bar entry without a mnemonic of its own (none, or one it shares) is reached by Left
// from the next entry that has one.
#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ui/commands.h"

namespace {

using vesk::CommandContext;
using vesk::CommandRow;

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  out.push_back(cur);
  return out;
}

// The mnemonic letter of a caption in lower case, or 0 ("&&" is a literal "&").
char mnemonic(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

// One menu's entries in order: an item (a command) or a submenu caption.
struct Entry {
  std::string caption;
  const CommandRow* row = nullptr;  // null for a submenu
};

std::string slug(const std::string& text) {
  std::string out;
  for (char c : vesk::command_plain_text(text)) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    else if (!out.empty() && out.back() != '-')
      out.push_back('-');
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

// Qt's key text ("Ctrl+Ins", "Alt+Backspace") as xdotool's ("ctrl+Insert", "alt+BackSpace").
std::string xdotool_key(const std::string& qt) {
  static const std::map<std::string, std::string> kNames = {
      {"Ctrl", "ctrl"}, {"Shift", "shift"}, {"Alt", "alt"}, {"Del", "Delete"}, {"Ins", "Insert"},
      {"Backspace", "BackSpace"}};
  std::string out;
  for (const std::string& part : split(qt, '+')) {
    if (!out.empty()) out += "+";
    auto it = kNames.find(part);
    if (it != kNames.end())
      out += it->second;
    else if (part.size() == 1)
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(part[0])));
    else
      out += part;
  }
  return out;
}

}  // namespace

int main() {
  CommandContext ctx;
  ctx.claimed = true;
  ctx.idle = true;
  ctx.twx_off = true;

  // The menus as the window builds them: the menu bar's entries, then each menu's entries.
  std::vector<std::string> bar;
  std::map<std::string, std::vector<Entry>> menus;  // key: the path of captions joined by "|"
  for (const CommandRow& row : vesk::command_table()) {
    if (row.menu == nullptr) continue;
    const std::vector<std::string> path = split(row.menu, '|');
    std::string key;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
      const std::string parent = key;
      key += (key.empty() ? "" : "|") + path[i];
      if (menus.count(key) != 0) continue;
      menus[key];
      if (i == 0)
        bar.push_back(path[i]);
      else
        menus[parent].push_back({path[i], nullptr});
    }
    menus[key].push_back({path.back(), &row});
  }

  auto enabled = [&](const Entry& e) { return e.row == nullptr || vesk::command_enabled(*e.row, ctx, true); };
  // The strokes that pick entry `index` of an open menu.
  auto pick = [&](const std::vector<Entry>& entries, std::size_t index) {
    const char m = mnemonic(entries[index].caption);
    int same = 0;
    for (const Entry& e : entries) same += m != 0 && mnemonic(e.caption) == m;
    if (same == 1) return std::string(1, m);
    std::string keys;
    for (std::size_t i = 0; i < index; ++i)
      if (enabled(entries[i])) keys += "Down ";
    return keys + "Return";
  };
  // A mnemonic shared by two menu bar entries is ambiguous; those entries count as having none.
  auto bar_letter = [&](std::size_t index) {
    const char m = mnemonic(bar[index]);
    for (std::size_t i = 0; i < bar.size(); ++i)
      if (i != index && m != 0 && mnemonic(bar[i]) == m) return '\0';
    return m;
  };
  auto open_top = [&](std::size_t index) {
    for (std::size_t next = index; next < bar.size(); ++next) {
      const char m = bar_letter(next);
      if (m == 0) continue;
      std::string keys = std::string("alt+") + m;
      for (std::size_t i = index; i < next; ++i) keys += " Left";
      return keys;
    }
    return std::string("F10");  // not reached: the table's last menu has a mnemonic
  };

  for (std::size_t t = 0; t < bar.size(); ++t) {
    // Depth-first over the menu and its submenus, with the strokes that reach each level.
    struct Level {
      std::string key;
      std::string strokes;
    };
    std::vector<Level> stack = {{bar[t], open_top(t)}};
    while (!stack.empty()) {
      Level level = stack.back();
      stack.pop_back();
      const std::vector<Entry>& entries = menus[level.key];
      for (std::size_t i = entries.size(); i-- > 0;)
        if (entries[i].row == nullptr)
          stack.push_back({level.key + "|" + entries[i].caption, level.strokes + " " + pick(entries, i)});
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.row == nullptr) continue;
        const bool on = enabled(e);
        std::printf("menu\t%d\t%s\t%s\t%s %s\n", e.row->id, slug(std::string(e.row->menu)).c_str(),
                    on ? "enabled" : "greyed", level.strokes.c_str(), pick(entries, i).c_str());
        // The walk runs the items in this order: Start Scan sets the station scanning, which
        // enables Stop Scan, and Stop Scan ends it before the Steps.
        if (on && e.row->id == 32812) ctx.scanning = true;
        if (on && e.row->id == 32813) ctx.scanning = false;
      }
    }
  }
  for (const CommandRow& row : vesk::command_table()) {
    if (row.keys == nullptr) continue;
    for (const std::string& key : split(row.keys, ';')) {
      const std::string name = "key-" + slug(key);
      std::printf("key\t%d\t%s\t%s\t%s\n", row.id, name.c_str(),
                  vesk::command_enabled(row, ctx, true) ? "enabled" : "greyed", xdotool_key(key).c_str());
    }
  }
  return 0;
}
