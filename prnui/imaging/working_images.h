#pragma once
// The working images of one Download page or one tool run. They live in a folder that
// the store creates for itself under the user's temporary folder, with names of its
// own, so that a user's files are never written or deleted whatever the logos are
// called (a user's "shopTemp.bmp", two logos of the same name, a name without an
// extension). Only files whose paths the store handed out are ever deleted.
#include <cstdint>
#include <set>
#include <string>

#include "platform/filesystem.h"

namespace k20::prnui {

class WorkingImages {
  public:
    // tempDir: the user's temporary folder ("C:\\Users\\u\\AppData\\Local\\Temp\\", "/tmp").
    WorkingImages(platform::FileSystem& fs, std::string tempDir);
    WorkingImages(const WorkingImages&) = delete;
    WorkingImages& operator=(const WorkingImages&) = delete;
    // Deletes every image it handed out, then its folder.
    ~WorkingImages();

    // A path no other logo and no other process uses; empty when no folder of our own
    // could be made (the conversions then fail and nothing is shown or sent).
    std::string NewPath();
    // Deletes the image at path when this store handed the path out; anything else is left.
    void Delete(const std::string& path);
    void DeleteAll();
    bool Owns(const std::string& path) const { return handed_.count(path) != 0; }
    const std::string& folder() const { return folder_; }

  private:
    bool MakeFolder();
    std::string Join(const std::string& name) const;

    platform::FileSystem& fs_;
    std::string temp_;
    std::string folder_;
    char separator_ = '\\';
    uint64_t next_ = 0;
    std::set<std::string> handed_;
};

}  // namespace k20::prnui
