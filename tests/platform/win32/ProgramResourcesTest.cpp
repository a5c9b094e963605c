// The version resource and the manifest that every Windows program gets
// (tormisaplex_windows_program in cmake/Windows.cmake); this test program has them too.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <cwctype>

#include <string>
#include <vector>

#include "tormisaplex/Version.h"

TEST(ProgramResources, TheVersionResourceCarriesTheProjectVersion) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> info(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path, 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), TORMISAPLEX_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), TORMISAPLEX_VERSION_MINOR);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), TORMISAPLEX_VERSION_PATCH);

  wchar_t* text = nullptr;
  ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
  EXPECT_EQ(std::wstring(text), L"" TORMISAPLEX_VERSION);
}

TEST(ProgramResources, TheManifestBringsCommonControls6) {
  EXPECT_NE(::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)), nullptr);
  // The manifest's dependency redirects comctl32 to version 6, which lives beside the
  // system's version 5 among the side-by-side assemblies.
  ACTCTX_SECTION_KEYED_DATA found{};
  found.cbSize = sizeof found;
  EXPECT_TRUE(::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         L"comctl32.dll", &found));
  HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
  std::wstring lower(path);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(::towlower(c));
  EXPECT_NE(lower.find(L"microsoft.windows.common-controls"), std::wstring::npos)
      << std::string(lower.begin(), lower.end());
  ::FreeLibrary(comctl);
}
