// The album-cover page: the small HTML page a zone writes for its browser (the current song's cover,
// a slide-show picture, or the idle logo page). The texts are built here; CZoneCoverPage writes them
// and navigates the zone's browser.
#pragma once

#include <vector>

#include "jukebox/player/ShuffleRandom.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CWebBrowser21;
class tSong;

struct CoverFit {
  int left = 0, top = 0, width = 0, height = 0;
};

// The picture (iw x ih) scaled into the area (W x H) keeping its proportions, centred.
CoverFit FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);
// The text with & < > " ' written as character references, for an attribute value.
CString HtmlAttributeText(const CString& text);
// "file:///C:/a%20b/c.jpg" for "C:\a b\c.jpg" (bytes that a URL cannot hold are %-escaped).
CString FileUrlOf(const CString& path);
// One page per zone, so zones that start songs at once never show each other's pictures.
CString CoverPagePath(const CString& songFolder, int streamNumber);
CString CoverPageText(const CString& picturePath, const CString& altText, const CoverFit& fit);
CString LogoPageText(const CString& startFolder, const CString& versionText);
// Draws a slide-show picture not shown yet (5 random draws, then the first unshown one; all shown:
// every flag is cleared first) and marks it shown. -1 for an empty list.
int ChooseSlideShowPicture(CShuffleRandom& random, std::vector<BYTE>& shown);

// What a zone's engine gives the page: its folders, current song and slide-show pictures.
struct CoverSources {
  CString songFolder;
  CString pictureFolder;  // empty: album covers
  CString startFolder;
  int streamNumber = 0;
  tSong* currentSong = nullptr;
  const std::vector<CString>* pictures = nullptr;
  std::vector<BYTE>* shown = nullptr;
  CShuffleRandom* random = nullptr;
};

// Writes a zone's page and shows it in the zone's browser.
class CZoneCoverPage {
 public:
  CZoneCoverPage(CWebBrowser21& browser, const char* logSource) : m_browser(browser), m_logSource(logSource) {}

  // The cover of the current song, or a slide-show picture; the idle page when there is none.
  void WriteCoverPage(const CoverSources& sources);
  void WriteLogoPage(const CoverSources& sources);

 private:
  void WriteAndShow(const CString& path, const CString& text);

  CWebBrowser21& m_browser;
  const char* m_logSource;
};
