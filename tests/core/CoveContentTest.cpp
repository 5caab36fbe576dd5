// CoveContentTest.cpp - the demo game's generated content read back through
// the engine's own loaders (meshes with collision, textures and the sky cube,
// the title font, the keeper, sounds and the streamed theme), and the layout
// of its packages: every file a script names exists in its exact letter case,
// the folder is served before the archive, and nothing that must stay on disk
// is in the archive. The content is what the build wrote into bin/.
#include "base/StringUtil.h"
#include "common/TestFiles.h"
#include "core/Mods.h"
#include "render/device/Formats.h"
#include "render/device/Image.h"
#include "render/gpu/Font.h"
#include "render/gpu/Texture.h"
#include "render/RenderTestUtil.h"
#include "render/world/cal3d/DynamicMeshDef.h"
#include "render/world/StaticMeshDef.h"
#include "sound/al/ALSoundResource.h"
#include "sound/al/OGGStream.h"
#include "sound/SoundManager.h"
#include "tier0/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kBin = KAZ_BIN_DIR;
const std::string kPak = kBin + "/cove.pak";
const std::string kBuilt = kBin + "/cove_built";

// Every file below a package folder or archive, as the file system lists it.
void ListPackage(const std::string& folder, std::set<std::string>* out) {
  for (const std::string& entry : FileSystem::EnumerateFiles(folder)) {
    const std::string path = folder.empty() ? entry : folder + "/" + entry;
    if (FileSystem::IsDirectory(path))
      ListPackage(path, out);
    else
      out->insert(path);
  }
}

std::set<std::string> PackageFiles(std::initializer_list<std::string> mounts) {
  kaztest::MountPackages(mounts);
  std::set<std::string> files;
  ListPackage("", &files);
  return files;
}

float Axis(const Vector3D& v, int a) {
  return a == 0 ? v.x : a == 1 ? v.y : v.z;
}

// The distance along the ray to the nearest collision triangle, if any.
std::optional<float> Cast(const StaticMeshDef& mesh, Vector3D from, Vector3D dir) {
  const std::vector<Vector3D>& v = mesh.GetCollisionVertices();
  const std::vector<uint16_t>& idx = mesh.GetCollisionIndices();
  std::optional<float> best;
  for (size_t i = 0; i + 2 < idx.size(); i += 3) {
    const Vector3D a = v[idx[i]], e1 = v[idx[i + 1]] - a, e2 = v[idx[i + 2]] - a;
    const Vector3D p = dir.Cross(e2);
    const float det = e1.Dot(p);
    if (std::fabs(det) < 1e-9f) continue;
    const Vector3D s = from - a, q = s.Cross(e1);
    const float u = s.Dot(p) / det, w = dir.Dot(q) / det, t = e2.Dot(q) / det;
    if (u >= 0 && w >= 0 && u + w <= 1 && t > 0 && (!best || t < *best)) best = t;
  }
  return best;
}

class CoveRenderContent : public rendertest::FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    kaztest::MountPackages({kPak, kBuilt, kaztest::BasePackageDir()});
    ASSERT_NE(Start(), nullptr);
  }
  Ref<StaticMeshDef> Mesh(const std::string& name) {
    return Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef("Meshes/" + name + ".mesh"));
  }
};

TEST_F(CoveRenderContent, MeshesHaveTheirGroupsSizesAndCollision) {
  struct Expect {
    const char* name;
    std::vector<std::string> groups;
    Vector3D mins, maxs;
    float slack;  // generated noise and curves land within this of the layout
  };
  const Expect meshes[] = {
      {"Shore", {"sand", "rock"}, {-45, -3, -40}, {45, 12, 44}, 1.6f},
      {"Water", {"water"}, {-120, 0, -120}, {120, 0, -10}, 0.0f},
      {"Lighthouse", {"wall", "gallery", "lamp"}, {-3, 0, -3}, {3, 14, 3}, 0.05f},
      {"CaveDoor", {"rock"}, {-2, 0, -0.25f}, {2, 4, 0.25f}, 0.0f},
      {"Crate", {"wood"}, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, 0.0f},
      {"Shell", {"shell"}, {-0.2f, 0, -0.2f}, {0.2f, 0.3f, 0.2f}, 0.1f},
      {"Lantern", {"metal", "glass"}, {-0.15f, -0.5f, -0.15f}, {0.15f, 0, 0.15f}, 0.0f},
      {"Gull", {"feather"}, {-0.5f, -0.1f, -0.35f}, {0.5f, 0.1f, 0.35f}, 0.1f},
      {"Rock", {"rock"}, {-1, 0, -1}, {1, 1.4f, 1}, 0.4f},
  };
  for (const Expect& e : meshes) {
    SCOPED_TRACE(e.name);
    Ref<StaticMeshDef> mesh = Mesh(e.name);
    ASSERT_TRUE(mesh) << m_log.Dump();
    std::vector<std::string> groups;
    uint32_t triangles = 0;
    for (uint32_t g = 0; g < mesh->GetGroupCount(); ++g) {
      groups.push_back(mesh->GetGroup(g).materialName);
      triangles += mesh->GetGroup(g).triangleCount;
    }
    EXPECT_EQ(groups, e.groups);
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(Axis(mesh->GetMins(), a), Axis(e.mins, a), e.slack + 1e-4f) << "axis " << a;
      EXPECT_NEAR(Axis(mesh->GetMaxs(), a), Axis(e.maxs, a), e.slack + 1e-4f) << "axis " << a;
    }
    // The converter's collision is every triangle drawn.
    EXPECT_EQ(mesh->GetCollisionIndices().size(), 3u * triangles);
    EXPECT_FALSE(mesh->GetCollisionVertices().empty());
  }
}

TEST_F(CoveRenderContent, ShoreCollisionHasTheBeachCliffsAndAnOpenCave) {
  Ref<StaticMeshDef> shore = Mesh("Shore");
  ASSERT_TRUE(shore) << m_log.Dump();
  const Vector3D down(0, -1, 0), back(0, 0, 1);
  // The flat beach, and its slope under the sea.
  EXPECT_NEAR(20 - Cast(*shore, {0, 20, 5}, down).value_or(0), 0.5f, 1e-3f);
  EXPECT_NEAR(20 - Cast(*shore, {-20, 20, -25}, down).value_or(0), -2.0f, 1e-3f);
  // Walking toward the back cliff away from the cave meets rock near z = 32...
  EXPECT_NEAR(Cast(*shore, {0, 2, 0}, back).value_or(0), 32.0f, 1.6f);
  EXPECT_NEAR(Cast(*shore, {-25, 2, 10}, Vector3D(-1, 0, 0)).value_or(0), 10.0f, 1.6f);
  // ...but through the cave mouth it reaches the chamber's back wall.
  EXPECT_NEAR(Cast(*shore, {20, 2.5f, 0}, back).value_or(0), 44.0f, 1e-3f);
}

TEST_F(CoveRenderContent, TexturesLoadAtTheirSizesAndFormats) {
  const std::vector<std::pair<std::string, uint32_t>> textures = {
      {"Sand.png", 0},  {"Rock.tga", 0},  {"Wood.dds", TEXFMT_DXT1}, {"Shell.dds", TEXFMT_DXT5},
      {"Water.png", 0}, {"Wall.png", 0},  {"Metal.tga", 0},          {"Feather.png", 0},
      {"Spray.tga", 0}, {"Smoke.tga", 0}, {"Firefly.tga", 0}};
  for (const auto& [name, format] : textures) {
    SCOPED_TRACE(name);
    Ref<Texture> tex = Ref<Texture>::Adopt(LoadTexture(("Textures/" + name).c_str()));
    ASSERT_TRUE(tex) << m_log.Dump();
    for (uint32_t edge : {tex->GetWidth(), tex->GetHeight()}) {
      EXPECT_LE(edge, 256u);
      EXPECT_EQ(edge & (edge - 1), 0u) << edge << " is not a power of two";
    }
    if (format) {
      EXPECT_EQ(tex->GetFormat(), format);
      EXPECT_EQ(1u << (tex->GetLevelCount() - 1), tex->GetWidth()) << "a full mip chain";
    }
  }
  // The particle sprites fade out from an opaque centre.
  for (const char* sprite : {"Spray.tga", "Smoke.tga", "Firefly.tga"}) {
    std::string bytes, why;
    Image img;
    ASSERT_TRUE(ReadPackageFile(std::string("Textures/") + sprite, &bytes, &why)) << why;
    ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), &img, &why)) << why;
    ASSERT_EQ(img.format, FMT_A8R8G8B8) << sprite;
    const std::vector<uint8_t>& px = img.Level(0, 0);
    const size_t centre = (img.height / 2 * img.width + img.width / 2) * 4;
    EXPECT_GT(px[centre + 3], 128) << sprite;
    EXPECT_EQ(px[3], 0) << sprite << ": corner";
  }
}

TEST_F(CoveRenderContent, SkyIsACubeWithBlueAboveAndTheSunOverTheSea) {
  Ref<Texture> sky = Ref<Texture>::Adopt(LoadTexture("!Cube!Textures/Sky.dds"));
  ASSERT_TRUE(sky) << m_log.Dump();
  EXPECT_EQ(sky->GetType(), uint32_t(TEXTYPE_CUBE));
  std::string bytes, why;
  Image img;
  ASSERT_TRUE(ReadPackageFile("Textures/Sky.dds", &bytes, &why)) << why;
  ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), &img, &why)) << why;
  ASSERT_EQ(img.faces, 6u);
  // Faces in file order: +X, -X, +Y, -Y, +Z, -Z (BGRA after decoding).
  double blue[6] = {}, red[6] = {};
  int brightestFace = -1, brightest = -1;
  for (uint32_t f = 0; f < 6; ++f) {
    std::vector<uint8_t> bgra(size_t(img.width) * img.height * 4);
    DecompressDXT(img.format, img.Level(f, 0).data(), img.width, img.height, bgra.data());
    for (size_t i = 0; i < bgra.size(); i += 4) {
      blue[f] += bgra[i];
      red[f] += bgra[i + 2];
      if (bgra[i] + bgra[i + 1] + bgra[i + 2] > brightest) {
        brightest = bgra[i] + bgra[i + 1] + bgra[i + 2];
        brightestFace = int(f);
      }
    }
  }
  EXPECT_GT(blue[2], red[2] * 1.3) << "the zenith is blue";
  EXPECT_GT(blue[2] + red[2], blue[3] + red[3]) << "the sky is brighter than the sea below";
  EXPECT_EQ(brightestFace, 5) << "the sun stands over the sea, toward -Z";
}

TEST_F(CoveRenderContent, TitleFontIsLargeAndKeeperHasItsAnimations) {
  FontResource* font = GetFontResource("Fonts/Title.f");
  ASSERT_NE(font, nullptr) << m_log.Dump();
  EXPECT_GE(font->GetTextHeight(), 40);
  EXPECT_GT(font->GetTextWidth("W"), font->GetTextWidth("i"));
  font->Release();

  Ref<DynamicMeshDef> keeper =
      Ref<DynamicMeshDef>::Adopt(LoadDynamicMeshDef("Characters/Keeper.xml"));
  ASSERT_TRUE(keeper) << m_log.Dump();
  for (const char* anim : {"idle", "walk", "wave"})
    EXPECT_EQ(keeper->GetAnimations().count(anim), 1u) << anim;
  EXPECT_FALSE(keeper->GetPieces().empty());
  EXPECT_NE(keeper->GetVertexBuffer(), nullptr);
  EXPECT_EQ(m_log.Problems(), 0) << m_log.Dump();
}

// The 16-bit samples of a canonical PCM WAV file in the packages.
std::vector<int16_t> Samples(const std::string& name) {
  std::string bytes, why;
  if (!ReadPackageFile(name, &bytes, &why)) return {};
  const size_t data = bytes.find("data");
  if (data == std::string::npos) return {};
  std::vector<int16_t> out((bytes.size() - data - 8) / 2);
  std::memcpy(out.data(), bytes.data() + data + 8, out.size() * 2);
  return out;
}

// The root mean square of `count` samples.
double Loudness(std::vector<int16_t>::const_iterator from, int count) {
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += double(from[i]) * from[i];
  return std::sqrt(sum / count) + 1e-9;
}

// A sound manager on OpenAL's null device with the archive mounted.
class CoveSoundContent : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ALSOFT_DRIVERS", "null", 0);
    kaztest::MountPackages({kPak});
    CVarRegistry::Instance().SoundDevType.Set("hw");
    CVarRegistry::Instance().DisplayOGGInfo.Set(false);
    m_manager = CreateSoundManager();
    ASSERT_NE(m_manager, nullptr);
    ASSERT_TRUE(m_manager->Init()) << m_log.Dump();
  }
  void TearDown() override { DestroySoundManager(); }
  kaztest::LogCapture m_log;
  SoundManager* m_manager = nullptr;
};

TEST_F(CoveSoundContent, EffectsAreMonoSixteenBitAndLoopsLast) {
  for (const char* name : {"Waves", "Gull", "Pickup", "Door", "Step", "Fire"}) {
    SCOPED_TRACE(name);
    ALSoundResource* sound = GetSoundResource(std::string("Sounds/") + name + ".wav");
    ASSERT_NE(sound, nullptr) << m_log.Dump();
    ALint channels = 0, bits = 0, rate = 0, size = 0;
    alGetBufferi(sound->GetBuffer(), AL_CHANNELS, &channels);
    alGetBufferi(sound->GetBuffer(), AL_BITS, &bits);
    alGetBufferi(sound->GetBuffer(), AL_FREQUENCY, &rate);
    alGetBufferi(sound->GetBuffer(), AL_SIZE, &size);
    EXPECT_EQ(channels, 1) << "placed sounds must be mono";
    EXPECT_EQ(bits, 16);
    ASSERT_GT(rate, 0);
    const double seconds = double(size) / 2 / rate;
    const bool loop = std::string(name) == "Waves" || std::string(name) == "Fire";
    EXPECT_TRUE(loop ? seconds >= 2.0 && seconds <= 8.0 : seconds > 0.05 && seconds < 2.0)
        << seconds;
    sound->Release();
    // A loop ends as loud as it starts, so it does not jump when it wraps
    // round; other sounds start and end at rest.
    const std::vector<int16_t> pcm = Samples(std::string("Sounds/") + name + ".wav");
    ASSERT_GT(pcm.size(), 2u * size_t(rate) / 20);
    if (loop)
      EXPECT_NEAR(
          std::log2(Loudness(pcm.begin(), rate / 20) / Loudness(pcm.end() - rate / 20, rate / 20)),
          0.0, 1.0)
          << "the level jumps where the loop wraps";
    else
      EXPECT_LT(std::abs(pcm.front()) + std::abs(pcm.back()), 64);
  }
}

TEST_F(CoveSoundContent, ThemeStreamsTwentyToFortySeconds) {
  ALuint source = 0;
  alGenSources(1, &source);
  {
    OGGStream theme;
    ASSERT_TRUE(theme.Open("Music/Theme.ogg", source)) << m_log.Dump();
    ASSERT_GT(theme.GetRate(), 0);
    std::vector<char> chunk(OGGStream::kChunkSize);
    long bytes = 0;
    for (long n; (n = theme.DecodeChunk(chunk.data())) > 0;) bytes += n;
    const double seconds = double(bytes) / 2 / theme.GetChannels() / double(theme.GetRate());
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 40.0);
    theme.Close();
  }
  alDeleteSources(1, &source);
}

// ---- How the packages are laid out -------------------------------------------------

TEST(CovePackages, EveryFileAScriptNamesExistsInItsExactCase) {
  const std::set<std::string> files =
      PackageFiles({"data/cove", kPak, kBuilt, kaztest::BasePackageDir()});
  ASSERT_TRUE(files.count("Meshes/Shore.mesh")) << "the archive is not mounted";
  // A quoted name ending in a known extension (a cube or volume prefix aside).
  const std::regex quoted(
      R"re((["'])(?:!Cube!|!Volume!)?([\w./-]+\.(mesh|png|tga|dds|bmp|jpg|wav|ogg|f|xml|fx|avi|replay)))re"
      R"re(\1)re",
      std::regex::icase);
  // A bare name (a script joins it to its folder) must be some file's exact name.
  std::set<std::string> exact = files, folded;
  for (const std::string& f : files) {
    exact.insert(fs::path(f).filename().string());
    folded.insert(ToLowerAscii(f));
    folded.insert(ToLowerAscii(fs::path(f).filename().string()));
  }
  int named = 0;
  for (const auto& entry :
       fs::recursive_directory_iterator(kaztest::SourceDir() + "/data/cove/scripts")) {
    // Library modules shipped under scripts/Lib are not the game's own words.
    if (entry.path().extension() != ".py" ||
        entry.path().string().find("/scripts/Lib/") != std::string::npos)
      continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    for (std::sregex_iterator m(source.begin(), source.end(), quoted), end; m != end; ++m) {
      const std::string name = (*m)[2];
      ++named;
      EXPECT_TRUE(exact.count(name))
          << entry.path().filename() << " names '" << name << "', which no package holds"
          << (folded.count(ToLowerAscii(name)) ? " in that letter case" : "");
    }
  }
  EXPECT_GT(named, 20) << "the scripts' file names were not found: is the pattern wrong?";
}

TEST(CovePackages, FolderIsServedBeforeTheArchive) {
  ModList mods;
  ASSERT_TRUE(mods.LoadDefinition(kaztest::SourceDir() + "/data/mods/cove.mod"));
  ASSERT_EQ(mods[0].packages, (std::vector<std::string>{"cove", "cove_built"}));
  kaztest::MountPackages({});
  for (const std::string& package : mods[0].packages) ModList::AddPackage(kBin, package, true);
  const std::vector<std::string> paths = FileSystem::GetSearchPaths();
  auto at = [&](const std::string& p) {
    return std::find(paths.begin(), paths.end(), p) - paths.begin();
  };
  ASSERT_LT(at(kBin + "/cove"), at(kPak)) << "search path: " << ::testing::PrintToString(paths);
  ASSERT_LT(at(kPak), long(paths.size()));
  EXPECT_EQ(FileSystem::GetRealDir("README.txt"), kBin + "/cove");
  EXPECT_EQ(FileSystem::GetRealDir("Meshes/Shore.mesh"), kPak);
  EXPECT_EQ(FileSystem::GetRealDir("Characters/Keeper.xml"), kBuilt);
}

TEST(CovePackages, ArchiveHoldsNothingThatMustStayOnDisk) {
  const std::set<std::string> inPak = PackageFiles({kPak});
  std::set<std::string> folders;
  for (const std::string& name : inPak) {
    folders.insert(name.substr(0, name.find('/')));
    const std::string ext = ToLowerAscii(fs::path(name).extension().string());
    // Scripts (the interpreter's path skips archives), Cal3D files, dynamic
    // mesh definitions and the Cal3D material are read from real folders.
    for (const char* diskOnly :
         {".py", ".xml", ".xsf", ".xmf", ".xaf", ".xrf", ".csf", ".cmf", ".caf", ".crf"})
      EXPECT_NE(ext, diskOnly) << name << " must stay outside the archive";
    EXPECT_FALSE(NoCaseStartsWith(name, "scripts/")) << name;
  }
  EXPECT_EQ(folders, (std::set<std::string>{"Fonts", "Meshes", "Music", "Sounds", "Textures"}));
  EXPECT_TRUE(fs::is_regular_file(kBuilt + "/Characters/Keeper.xml"));
  EXPECT_TRUE(fs::is_regular_file(kaztest::SourceDir() + "/data/base/cal3dmat.xrf"));
}

}  // namespace
