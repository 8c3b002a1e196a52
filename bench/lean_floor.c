/* The lean floor: the fewest system calls and bytes a tool with the same
 * output could get away with. Run in an icon folder like the tool:
 *
 *   lean_floor in-place   each output is overwritten where it is
 *   lean_floor rename     each output goes to a temporary file beside it,
 *                         which is then renamed over it (as the tool does)
 *
 * It takes the same names for icons as the tool and, per icon, makes the
 * same four outputs (the DIS, PAS and _Autocast variants and the icon
 * itself), each exactly as long as the tool's: 18 header bytes, the image
 * ID, 4 bytes per pixel. Nothing is decoded or blended: an output is the
 * first bytes of the read buffer, that is the icon's own bytes and, past
 * them, whatever earlier icons left there.
 *
 * Its system calls, and nothing else:
 *   once per run   openat, fstat, getdents64 (until the list ends), close
 *                  (opendir/readdir), plus what starting a process costs
 *   per icon       openat(O_RDONLY), one read of the whole file, close
 *   per output, in-place
 *                  openat(O_WRONLY|O_CREAT|O_TRUNC), one write, close
 *   per output, rename
 *                  openat(O_WRONLY|O_CREAT|O_EXCL) of a temporary file,
 *                  one write, close, rename over the target
 * That is 15 system calls per icon in place, 19 with temporary files.
 * It prints one line (icons and failures) at the end. */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

/* The largest file the floor reads in one go; a larger one is a failure.
 * Untouched pages of the buffer cost nothing. */
#define READ_BUFFER_BYTES (256u * 1024u * 1024u)

static unsigned char buffer[READ_BUFFER_BYTES];

static int endsWithIgnoreCase(const char* name, const char* suffix) {
    size_t length = strlen(name), suffixLength = strlen(suffix);
    return length >= suffixLength && strcasecmp(name + length - suffixLength, suffix) == 0;
}

/* The tool's icons: *.tga, but not the four masks and no variant of an
 * earlier run (DIS..., PAS..., ..._Autocast.tga), in any letter case. */
static int isIcon(const char* name) {
    static const char* const masks[] = {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                                        "ZOF_AUTOCAST_MASK.tga"};
    for (size_t i = 0; i < sizeof masks / sizeof masks[0]; ++i) {
        if (strcasecmp(name, masks[i]) == 0) return 0;
    }
    return endsWithIgnoreCase(name, ".tga") && strncasecmp(name, "DIS", 3) != 0 && strncasecmp(name, "PAS", 3) != 0 &&
           !endsWithIgnoreCase(name, "_Autocast.tga");
}

/* open, one read, close; the file's length, or -1. */
static long readWhole(const char* name) {
    int descriptor = open(name, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return -1;
    ssize_t length = read(descriptor, buffer, READ_BUFFER_BYTES);
    close(descriptor);
    return length < 0 || (size_t)length == READ_BUFFER_BYTES ? -1 : (long)length;
}

static int writeAll(int descriptor, size_t size) {
    ssize_t written = write(descriptor, buffer, size);
    int closed = close(descriptor);
    return written == (ssize_t)size && closed == 0;
}

static int writeInPlace(const char* target, size_t size) {
    int descriptor = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return descriptor >= 0 && writeAll(descriptor, size);
}

static int writeByRename(const char* target, size_t size, long pid, unsigned* serial) {
    char temporary[64];
    snprintf(temporary, sizeof temporary, "lean-floor-%ld-%u.tmp", pid, ++*serial);
    int descriptor = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return 0;
    if (writeAll(descriptor, size) && rename(temporary, target) == 0) return 1;
    unlink(temporary);
    return 0;
}

int main(int argc, char** argv) {
    int byRename = argc == 2 && strcmp(argv[1], "rename") == 0;
    if (argc != 2 || (!byRename && strcmp(argv[1], "in-place") != 0)) {
        fprintf(stderr, "usage: %s in-place|rename   (run inside an icon folder)\n", argv[0]);
        return 2;
    }
    /* The whole list first, so that files written during the run are never
     * met as entries, as in the tool. */
    size_t count = 0, capacity = 0;
    char** names = NULL;
    DIR* directory = opendir(".");
    if (directory == NULL) {
        perror("lean_floor: cannot list the current folder");
        return 1;
    }
    struct dirent* entry;
    while ((entry = readdir(directory)) != NULL) {
        if (!isIcon(entry->d_name)) continue;
        if (count == capacity) {
            capacity = capacity ? 2 * capacity : 1024;
            char** grown = realloc(names, capacity * sizeof *names);
            if (grown == NULL) return 1;
            names = grown;
        }
        names[count] = strdup(entry->d_name);
        if (names[count++] == NULL) return 1;
    }
    closedir(directory);

    const long pid = (long)getpid();
    unsigned serial = 0;
    int failures = 0;
    for (size_t i = 0; i < count; ++i) {
        const char* name = names[i];
        long length = readWhole(name);
        if (length < 18) {
            ++failures;
            continue;
        }
        size_t width = buffer[12] | (size_t)buffer[13] << 8;
        size_t height = buffer[14] | (size_t)buffer[15] << 8;
        size_t size = 18 + buffer[0] + 4 * width * height;
        if (size > READ_BUFFER_BYTES) {
            ++failures;
            continue;
        }
        size_t base = strlen(name) - 4;
        char targets[4][1024];
        snprintf(targets[0], sizeof targets[0], "DIS%s", name);
        snprintf(targets[1], sizeof targets[1], "PAS%s", name);
        snprintf(targets[2], sizeof targets[2], "%.*s_Autocast.tga", (int)base, name);
        snprintf(targets[3], sizeof targets[3], "%s", name);
        for (int t = 0; t < 4; ++t) {
            int ok = byRename ? writeByRename(targets[t], size, pid, &serial) : writeInPlace(targets[t], size);
            if (!ok) ++failures;
        }
    }
    printf("%zu icons, %d failures\n", count, failures);
    return failures == 0 ? 0 : 1;
}
