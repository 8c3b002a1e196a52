// The process as a whole: its start, and what happens when it is stopped
// from outside.
#pragma once

namespace platform {

// Puts the null device on each standard stream (input, output, error) that
// the process was started with closed (as `button-disabler >&-` does), so
// that no file the tool opens later takes its place, and the report never
// lands in an icon or a page. Called first, before any file is opened.
void fillClosedStandardStreams();

// Makes a run safe to stop at any moment: a signal or console event that
// ends it (Ctrl+C, Ctrl+\, a termination or hang-up, a closed console
// window) first removes the temporary file being written and restores the
// terminal's settings; a closed output pipe or a file-size limit makes the
// write at hand fail instead of ending the run. Installed once; a handler
// someone else installed, or a signal that was ignored, stays as it was.
void protectRun();

}  // namespace platform
