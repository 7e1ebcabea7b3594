// The folders of the run that it holds open: the temporary folder and the
// sub-folders the run made or entered in it, each by its name relative to the
// temporary folder ("" is the temporary folder itself; "bin\x" a folder two
// levels down). Names compare without regard to A-Z case, and "/" separates
// like "\".
#pragma once

#include "payload/file_system.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CHeldFolders {
public:
    // Holds the temporary folder; whatever was held before is released.
    void HoldRoot(std::unique_ptr<HeldFolder> root);
    HeldFolder* Root() const;

    // The folder of the relative name, its missing levels made as new
    // folders. A level that exists without being held is never reused: null,
    // with outcome kExists (or kFailed) and failedLevel the relative name of
    // that level as given.
    HeldFolder* CreateFolders(std::wstring_view relative, CreateOutcome& outcome, std::wstring& failedLevel);
    // The folder of the relative name, every level either held already and
    // still named so in its parent, or opened now as a plain folder and
    // held. Null when a level is not (then nothing below it is reached).
    HeldFolder* Reach(std::wstring_view relative);
    // Takes the sub-folder name of the held folder parent (whose relative
    // name is parentRelative) out of the set to be emptied and removed: the
    // one held already, if its parent still names it so, else the one opened
    // now. Null when the entry is not a plain folder of the run's; attributes
    // then says what it is (kRedirected when it is not the folder held).
    std::unique_ptr<HeldFolder> Enter(HeldFolder& parent, std::wstring_view parentRelative, const std::wstring& name,
                                      std::uint32_t& attributes);

    // Releases everything held.
    void Clear();

private:
    struct Held {
        std::wstring key;
        std::unique_ptr<HeldFolder> folder;
    };

    static std::wstring Key(std::wstring_view relative);
    std::vector<Held>::iterator Find(const std::wstring& key);
    HeldFolder* Insert(std::wstring key, std::unique_ptr<HeldFolder> folder);
    // Opens (or finds) the level name under parent, keyed key.
    HeldFolder* ReachLevel(HeldFolder& parent, const std::wstring& key, const std::wstring& name);

    std::vector<Held> m_held;  // sorted by key; the root has the empty key
};
