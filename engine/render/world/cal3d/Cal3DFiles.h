// Cal3DFiles.h - the check every Cal3D file passes before the library reads it.
//
// Cal3D's loaders reserve whatever a count in the file says before reading the
// elements it counts, so a few hostile bytes ask for gigabytes; their failure
// paths leak what they built; and they take bone and vertex indices as they
// come. Only the XML forms are read (.xsf skeletons, .xmf meshes, .xaf
// animations, .xrf materials): every count in one (an attribute NUMBONES,
// NUMVERTICES ...) must be a number the file's own length can hold, and the
// document is walked the way Cal3D will walk it (elements in order, numbers in
// their texts, indices in range) before the library sees it. Binary Cal3D
// files are refused: their counts sit at offsets the engine does not walk.
//
// Builds on Cal3D's own XML parser (TinyXML inside libcal3d), so both read the
// same document; the file is read from the real file system, as Cal3D reads it.
#pragma once

#include <string>

// True when Cal3D may load the file at `path`; otherwise false with the
// reason for the caller's log line. `bones` is the skeleton's bone count that
// a mesh's influences and an animation's tracks must stay below (unused for
// skeletons and materials).
bool CheckCal3DFile(const std::string& path, int bones, std::string* reason);
