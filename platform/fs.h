// Working-directory services for the file readers: enter a directory and come
// back to exactly where the caller was.
#pragma once

// Makes `path` the working directory. Returns 0 on success, -1 on failure
// (null or empty path, missing directory, no permission); the working
// directory is unchanged on failure.
int ChangeDirectory(const char* path);

// Remembers the current working directory. Returns a handle >= 0, or -1 when
// the directory cannot be held (the caller then has no way back but "..").
int HoldWorkingDirectory();

// Makes the held directory current again and releases the handle, even when
// the directory was reached through a symbolic link or has been renamed.
// Returns 0 on success, -1 on failure (bad handle, directory gone).
int ReturnToHeldDirectory(int handle);
