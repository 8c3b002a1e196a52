// A folder whose files the run reads or writes. Every file operation names a
// file of one such folder: the folder read and the folder written are two
// values, and the tool never changes its current directory, so a path is
// always taken from the directory it was started in. Each folder keeps its
// own index of names (see names.h).
#pragma once

#include <memory>
#include <string>

namespace platform {

class Folder {
public:
    // The current directory.
    Folder();
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // Makes this the folder `path` names ("" is the current directory).
    // False, with this unchanged, when it is no folder or cannot be entered.
    bool open(const std::string& path);

    // Forgets what is known of the folder's entries: the next lookup reads
    // it afresh. For changes made behind the tool's back.
    void forget();

    // Each platform's own: what names are taken from, and what is known of
    // the entries.
    struct State;
    State& state() const { return *state_; }

private:
    std::unique_ptr<State> state_;
};

// The current directory, as the functions without a folder take it.
Folder& currentFolder();

}  // namespace platform
