// Test seam of the registry export (registry_export.cpp): the file system
// the window's exports are read and written through, so that a test can
// make a step fail or wait. The program itself never sets it.
#pragma once

class FileSystem;

// Where exports are read and written from now on (not owned; null: the real
// file system). An export already open keeps the one it was read with.
void UseExportFileSystem(FileSystem* file_system);
