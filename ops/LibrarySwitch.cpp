#include "LibrarySwitch.h"

#include <algorithm>
#include <random>
#include <set>
#include <utility>

#include "LibraryNames.h"
#include "Locations.h"

namespace {

const char* const kJournalName = ".molvane-switch";
const char* const kJournalHeader = "Molvane switch journal 1";

const char* const kNothingChanged = ". Nothing was changed";
const char* const kNotUndone =
    ". The switch could not be undone either; restart Molvane to put the libraries in order";

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string in(const std::string& folder, const std::string& name) {
  return Locations::inFolder(folder, name);
}

// Names the temporaries of one switch apart from those of any other.
std::string randomToken() {
  std::random_device device;
  const std::uint64_t value = (std::uint64_t{device()} << 32) ^ device();
  static const char* const digits = "0123456789abcdef";
  std::string token(16, '0');
  for (std::size_t i = 0; i < 16; ++i) token[i] = digits[(value >> (4 * i)) & 0xF];
  return token;
}

// The journal is line based; names may hold any character but these four.
std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\n': out += "%0A"; break;
      case '\r': out += "%0D"; break;
      default: out += c;
    }
  }
  return out;
}

bool unescape(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const std::string hex = text.substr(i + 1, 2);
    if (hex == "25") out += '%';
    else if (hex == "09") out += '\t';
    else if (hex == "0A") out += '\n';
    else if (hex == "0D") out += '\r';
    else return false;
    i += 2;
  }
  return true;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(separator, begin);
    parts.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) return parts;
    begin = end + 1;
  }
}

// A temporary's name as the journal may give it: one of ours, and in the target's own folder.
bool isTemporaryName(const std::string& name) {
  return name.rfind(fs::kTemporaryPrefix, 0) == 0 && name.size() > 9 &&
         name.find_first_of("\\/") == std::string::npos;
}

std::string replaceFailure(const LibrarySwitch::Staged& s, const fs::Result& r) {
  return "Could not replace " + quoted(s.copy.name) + " in " + quoted(s.copy.folder) + ": " +
         r.reason;
}

}  // namespace

LibrarySwitch::LibrarySwitch(fs::FileSystem& files, StoreLibraryName storeName)
    : files_(files), storeName_(std::move(storeName)) {}

std::string LibrarySwitch::journalPath(const std::string& musicFolder) {
  return in(Locations::librariesRoot(musicFolder), kJournalName);
}

std::vector<LibrarySwitch::Copy> LibrarySwitch::plan(const SwitchRequest& request) {
  const std::string iTunes = Locations::iTunesFolder(request.musicFolder);
  const std::string previous =
      Locations::libraryFolder(request.musicFolder, request.previousLibrary);
  const std::string selected =
      Locations::libraryFolder(request.musicFolder, request.selectedLibrary);

  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const std::string& name : request.ticked)
    if (seen.insert(name).second) names.push_back(name);

  auto isFile = [this](const std::string& path) {
    return files_.kindOf(path) == fs::EntryKind::File;
  };
  std::vector<Copy> copies;
  std::set<std::string> savedBack;
  if (request.saveBack) {
    for (const std::string& name : names) {
      if (!isFile(in(iTunes, name))) continue;
      copies.push_back({in(iTunes, name), previous, name});
      savedBack.insert(name);
    }
  }
  for (const std::string& name : names) {
    // With the same library on both sides the load pass would copy back what the save-back
    // pass has just written there: the iTunes folder's file stays as it is.
    if (request.saveBack && previous == selected && savedBack.count(name)) continue;
    if (isFile(in(selected, name))) copies.push_back({in(selected, name), iTunes, name});
  }
  return copies;
}

LibrarySwitch::Outcome LibrarySwitch::run(const SwitchRequest& request,
                                          const SwitchProgress& progress) {
  const std::string journalFile = journalPath(request.musicFolder);
  // A journal left in this session means an earlier switch could neither finish nor be
  // undone; only start-up recovery may touch those files now.
  if (files_.kindOf(journalFile) != fs::EntryKind::Missing)
    throw SwitchFailure(
        "An earlier switch of libraries was not finished. Restart Molvane to finish it before "
        "switching again");

  Journal journal;
  journal.library = request.selectedLibrary;
  const std::string token = randomToken();
  for (Copy& copy : plan(request)) {
    Staged s;
    const std::string stem = fs::kTemporaryPrefix + token + "-" +
                             std::to_string(journal.entries.size());
    s.temporary = stem + ".new";
    s.backup = stem + ".old";
    s.size = files_.fileSize(copy.source);
    s.copy = std::move(copy);
    journal.entries.push_back(std::move(s));
  }
  if (journal.entries.empty()) {
    storeName_(journal.library);
    return Outcome::Done;
  }

  std::size_t made = 0;
  std::string message;
  bool cancelled = false;
  if (!stage(journal.entries, made, progress, message, cancelled)) {
    abandon(journal, journalFile, false, made);
    if (cancelled) return Outcome::Cancelled;
    throw SwitchFailure(message + kNothingChanged);
  }

  bool replaced = false;
  if (fs::Result r = files_.writeFile(journalFile, encode(journal)); !r) {
    message = "Could not write " + quoted(kJournalName) + " in " +
              quoted(Locations::librariesRoot(request.musicFolder)) + ": " + r.reason;
  } else {
    replaced = replaceAll(journal.entries, message);
  }
  if (!replaced) {
    if (!abandon(journal, journalFile, true, made)) throw SwitchFailure(message + kNotUndone);
    throw SwitchFailure(message + kNothingChanged);
  }

  try {
    storeName_(journal.library);
  } catch (const std::exception& e) {
    if (!abandon(journal, journalFile, true, made))
      throw SwitchFailure(std::string(e.what()) + kNotUndone);
    throw;
  }

  // The switch has happened. What is left is tidying: anything left over is removed at the
  // next start.
  removeBackups(journal.entries);
  files_.removeFile(journalFile);
  return Outcome::Done;
}

bool LibrarySwitch::stage(std::vector<Staged>& staged, std::size_t& made,
                          const SwitchProgress& progress, std::string& message, bool& cancelled) {
  std::uint64_t total = 0;
  for (const Staged& s : staged) total += s.size;
  std::uint64_t done = 0;
  for (Staged& s : staged) {
    const Copy& c = s.copy;
    const fs::EntryKind kind = files_.kindOf(in(c.folder, c.name));
    if (kind == fs::EntryKind::Directory) {
      message = "Could not copy " + quoted(c.name) + " to " + quoted(c.folder) +
                ": a folder of that name is in the way";
      return false;
    }
    s.hadTarget = kind == fs::EntryKind::File;
    ++made;  // counted before the copy: a failed copy may still have left its file
    fs::CopyProgress perFile;
    if (progress)
      perFile = [&](std::uint64_t bytes) {
        return progress(done + bytes, std::max(total, done + bytes), c.name);
      };
    if (fs::Result r = files_.copyToNew(c.source, in(c.folder, s.temporary), perFile); !r) {
      cancelled = r.error == fs::Error::Cancelled;
      message = "Could not copy " + quoted(c.name) + " from " +
                quoted(Locations::folderOf(c.source)) + " to " + quoted(c.folder) + ": " +
                r.reason;
      return false;
    }
    done += s.size;
  }
  return true;
}

bool LibrarySwitch::replaceAll(const std::vector<Staged>& staged, std::string& message) {
  // The journal already on disk finishes any of these renames that a crash loses, so they are
  // flushed once per folder at the end, not one by one.
  std::vector<std::string> folders;
  for (const Staged& s : staged) {
    const std::string target = in(s.copy.folder, s.copy.name);
    // The old content is moved aside rather than overwritten, so the switch can be undone
    // until "Library Name" names the new library.
    if (s.hadTarget) {
      if (fs::Result r = files_.renameReplaceUnflushed(target, in(s.copy.folder, s.backup)); !r) {
        message = replaceFailure(s, r);
        return false;
      }
    }
    if (fs::Result r = files_.renameReplaceUnflushed(in(s.copy.folder, s.temporary), target);
        !r) {
      message = replaceFailure(s, r);
      return false;
    }
    if (std::find(folders.begin(), folders.end(), s.copy.folder) == folders.end())
      folders.push_back(s.copy.folder);
  }
  // Every rename is durable before "Library Name" can name the new library.
  for (const std::string& folder : folders) {
    if (fs::Result r = files_.flushFolder(folder); !r) {
      message = "Could not write the changes in " + quoted(folder) + " to the disk: " + r.reason;
      return false;
    }
  }
  return true;
}

// Works from what is on disk, not from how far the switch believed it got: an operation that
// reported a failure may still have taken place.
bool LibrarySwitch::undoAll(const std::vector<Staged>& staged) {
  for (auto it = staged.rbegin(); it != staged.rend(); ++it) {
    const Staged& s = *it;
    const std::string target = in(s.copy.folder, s.copy.name);
    const std::string temporary = in(s.copy.folder, s.temporary);
    const std::string backup = in(s.copy.folder, s.backup);
    if (files_.exists(backup)) {
      if (!files_.renameReplace(backup, target)) return false;
    } else if (!s.hadTarget && !files_.exists(temporary) && files_.exists(target)) {
      if (!files_.removeFile(target)) return false;
    }
    if (files_.exists(temporary)) files_.removeFile(temporary);
  }
  return true;
}

bool LibrarySwitch::finishAll(const std::vector<Staged>& staged) {
  for (const Staged& s : staged) {
    const std::string temporary = in(s.copy.folder, s.temporary);
    if (files_.exists(temporary) &&
        !files_.renameReplace(temporary, in(s.copy.folder, s.copy.name)))
      return false;
  }
  return true;
}

bool LibrarySwitch::abandon(const Journal& journal, const std::string& journalFile,
                            bool journalAttempted, std::size_t made) {
  if (journalAttempted && files_.exists(journalFile)) {
    // Say first that the switch is being undone, so that a crash from here on is undone too
    // rather than finished.
    Journal undo = journal;
    undo.undo = true;
    if (!files_.writeFile(journalFile, encode(undo))) return false;
    if (!undoAll(journal.entries)) return false;
    // Everything is back; a journal that stays is undone again, harmlessly, at the next start.
    files_.removeFile(journalFile);
    return true;
  }
  // Nothing was renamed: the temporaries are all there is to remove.
  for (std::size_t i = 0; i < made && i < journal.entries.size(); ++i) {
    const Staged& s = journal.entries[i];
    files_.removeFile(in(s.copy.folder, s.temporary));
  }
  return true;
}

void LibrarySwitch::removeBackups(const std::vector<Staged>& staged) {
  for (const Staged& s : staged) {
    const std::string backup = in(s.copy.folder, s.backup);
    if (files_.exists(backup)) files_.removeFile(backup);
  }
}

void LibrarySwitch::recover(const std::string& musicFolder) {
  const std::string journalFile = journalPath(musicFolder);
  if (files_.kindOf(journalFile) == fs::EntryKind::File) {
    const std::string failed = "An interrupted switch of libraries could not be finished: ";
    const std::string retry = ". Molvane tries again when it next starts";
    std::string text;
    if (fs::Result r = files_.readFile(journalFile, text); !r)
      throw SwitchFailure(failed + "could not read " + quoted(journalFile) + ": " + r.reason +
                          retry);
    Journal journal;
    if (!decode(text, journal))
      throw SwitchFailure(failed + quoted(journalFile) +
                          " is not a record that Molvane wrote; the folders were left as they "
                          "are");
    if (journal.undo) {
      if (!undoAll(journal.entries))
        throw SwitchFailure(failed + "its files could not be put back" + retry);
    } else {
      if (!finishAll(journal.entries))
        throw SwitchFailure(failed + "the files of " + quoted(journal.library) +
                            " could not be put in place" + retry);
      storeName_(journal.library);
      removeBackups(journal.entries);
    }
    if (fs::Result r = files_.removeFile(journalFile); !r)
      throw SwitchFailure(failed + "could not remove " + quoted(journalFile) + ": " + r.reason +
                          retry);
  }
  sweep(musicFolder);
}

void LibrarySwitch::sweep(const std::string& musicFolder) {
  const std::string root = Locations::librariesRoot(musicFolder);
  std::vector<std::string> folders = {Locations::iTunesFolder(musicFolder), root};
  for (const fs::DirEntry& e : files_.findEntries(Locations::searchPath(root)))
    if (e.isDirectory && LibraryNames::passesEntryFilter(e.name)) folders.push_back(in(root, e.name));
  for (const std::string& folder : folders) {
    for (const fs::DirEntry& e : files_.findEntries(Locations::searchPath(folder))) {
      if (e.isDirectory || e.name.rfind(fs::kTemporaryPrefix, 0) != 0) continue;
      if (folder == root && e.name == kJournalName) continue;
      files_.removeFile(in(folder, e.name));
    }
  }
}

std::string LibrarySwitch::encode(const Journal& journal) {
  std::string text = std::string(kJournalHeader) + "\n";
  text += journal.undo ? "mode undo\n" : "mode finish\n";
  text += "library " + escape(journal.library) + "\n";
  for (const Staged& s : journal.entries)
    text += "copy " + escape(s.copy.folder) + "\t" + escape(s.copy.name) + "\t" + s.temporary +
            "\t" + s.backup + "\t" + (s.hadTarget ? "1" : "0") + "\n";
  text += "end\n";
  return text;
}

bool LibrarySwitch::decode(const std::string& text, Journal& journal) {
  std::vector<std::string> lines = split(text, '\n');
  // A whole journal ends with "end" and a line break.
  if (lines.size() < 4 || !lines.back().empty() || lines[lines.size() - 2] != "end") return false;
  lines.resize(lines.size() - 2);
  if (lines[0] != kJournalHeader) return false;
  if (lines[1] == "mode undo") journal.undo = true;
  else if (lines[1] == "mode finish") journal.undo = false;
  else return false;
  if (lines[2].rfind("library ", 0) != 0 || !unescape(lines[2].substr(8), journal.library))
    return false;
  journal.entries.clear();
  for (std::size_t i = 3; i < lines.size(); ++i) {
    if (lines[i].rfind("copy ", 0) != 0) return false;
    const std::vector<std::string> fields = split(lines[i].substr(5), '\t');
    if (fields.size() != 5) return false;
    Staged s;
    if (!unescape(fields[0], s.copy.folder) || !unescape(fields[1], s.copy.name)) return false;
    s.temporary = fields[2];
    s.backup = fields[3];
    if (!isTemporaryName(s.temporary) || !isTemporaryName(s.backup)) return false;
    if (fields[4] != "0" && fields[4] != "1") return false;
    s.hadTarget = fields[4] == "1";
    if (s.copy.folder.empty() || s.copy.name.empty()) return false;
    journal.entries.push_back(std::move(s));
  }
  return true;
}
