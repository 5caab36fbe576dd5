// Cal3DFiles.h - the check every Cal3D file passes before the library reads it.
//
// Cal3D's loaders reserve whatever a count in the file says before reading the
// elements it counts, so a few hostile bytes ask for gigabytes. Only the XML
// forms are read (.xsf skeletons, .xmf meshes, .xaf animations, .xrf
// materials), and every count in one (an attribute NUMBONES, NUMVERTICES ...)
// must be a number the file's own length can hold. Binary Cal3D files are
// refused: their counts sit at offsets the engine does not walk.
//
// Builds on the standard library only (the file is read from the real file
// system, as Cal3D reads it).
#pragma once

#include <string>

// True when Cal3D may load the file at `path`; otherwise false with the
// reason for the caller's log line.
bool CheckCal3DFile(const std::string& path, std::string* reason);
