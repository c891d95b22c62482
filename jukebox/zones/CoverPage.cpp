#include "jukebox/zones/CoverPage.h"

#include <algorithm>

#include "dblib/JpegSize.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "dblib/Song.h"
#include "jukebox/zones/WebBrowser21.h"
#include "jukebox/zones/ZoneTexts.h"
#include "platform/ui/AfxTypes.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"

namespace {

const char kPageHead[] =
    "<html><head>\r\n<META http-equiv=\"Page-Enter\" CONTENT=\"RevealTrans(Duration=2.0,Transition=23)\">\r\n"
    "</head>\r\n";

bool FileExists(const CString& path) {
  if (path.IsEmpty()) return false;
  const DWORD attributes = GetFileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString FolderOf(const CString& path) {
  const int slash = path.ReverseFind('\\');
  return slash < 0 ? CString() : path.Left(slash);
}

}  // namespace

CoverFit FitPicture(int iw, int ih, int W, int H) {
  CoverFit fit;
  if (iw <= 0 || ih <= 0) return fit;
  double w = 0, h = 0;
  if (iw > ih) {
    w = W;
    h = static_cast<int>(W * static_cast<double>(ih) / iw);
    if (h > H) {
      w = static_cast<int>(W * static_cast<double>(H) / h);
      h = static_cast<int>(h * (H / h));
    }
  } else {
    h = H;
    w = static_cast<int>(H * static_cast<double>(iw) / ih);
    if (w > W) {
      h = static_cast<int>(H * static_cast<double>(W) / w);
      w = static_cast<int>(w * (W / w));
    }
  }
  fit.width = static_cast<int>(w);
  fit.height = static_cast<int>(h);
  fit.left = (W - fit.width) / 2;
  fit.top = (H - fit.height) / 2;
  return fit;
}

CString HtmlAttributeText(const CString& text) {
  CString out;
  for (int i = 0; i < text.GetLength(); ++i) {
    const char c = text[i];
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c; break;
    }
  }
  return out;
}

CString FileUrlOf(const CString& path) {
  static const char kHex[] = "0123456789ABCDEF";
  CString out = "file:///";
  for (int i = 0; i < path.GetLength(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c == '\\') {
      out += '/';
    } else if (c > 0x20 && c < 0x7F && c != '%' && c != '#' && c != '?' && c != '"' && c != '\'' && c != '<' &&
               c != '>' && c != '&') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

CString CoverPagePath(const CString& songFolder, int streamNumber) {
  CString path;
  path.Format("%s\\Temp\\Cover%d.htm", songFolder.GetString(), streamNumber + 1);
  return path;
}

CString CoverPageText(const CString& picturePath, const CString& altText, const CoverFit& fit) {
  CString image;
  image.Format(
      "<img style=\"position:absolute; left:%dpx; top:%dpx; width:%dpx; height:%dpx\" valign=\"middle\" "
      "src=\"%s\" height=\"%d\" width=\"%d\" alt=\"%s\">\r\n",
      fit.left, fit.top, fit.width, fit.height, HtmlAttributeText(FileUrlOf(picturePath)).GetString(), fit.height,
      fit.width, HtmlAttributeText(altText).GetString());
  return CString(kPageHead) + "<body scroll=\"no\" bgcolor=\"#ffffff\">\r\n<center>\r\n" + image +
         "</center>\r\n</body>\r\n</html>\r\n";
}

CString LogoPageText(const CString& startFolder, const CString& versionText) {
  // The folder goes inside url('...') in an attribute: a quote would end either.
  CString folder = HtmlAttributeText(startFolder);
  folder.Replace("&#39;", "%27");
  return CString(kPageHead) + "<body scroll=\"no\" style=\"background-image: url('File://" + folder +
         "\\qhlogo3.gif'); background-repeat: no-repeat; background-position-x: center; background-position-y: "
         "bottom\">\r\n<center>\r\n<b><font size=\"1\" color=\"red\">Quaverhouse<font size=\"1\">&reg;</font> "
         "Jukebox Version " +
         HtmlAttributeText(versionText) + "</font></b><br>\r\n<br>&nbsp;<br>\r\n</center>\r\n</body>\r\n</html>\r\n";
}

int ChooseSlideShowPicture(CShuffleRandom& random, std::vector<BYTE>& shown) {
  const int count = static_cast<int>(shown.size());
  if (count == 0) return -1;
  for (int round = 0; round < 2; ++round) {
    for (int draw = 0; draw < 5; ++draw) {
      const int index = random.DrawIndex(count);
      if (!shown[index]) {
        shown[index] = 1;
        return index;
      }
    }
    for (int index = 0; index < count; ++index) {
      if (!shown[index]) {
        shown[index] = 1;
        return index;
      }
    }
    std::fill(shown.begin(), shown.end(), BYTE{0});
  }
  return -1;
}

void CZoneCoverPage::WriteCoverPage(const CoverSources& sources) {
  CString picture, alt;
  if (sources.pictureFolder.IsEmpty()) {
    if (tSong* song = sources.currentSong) {
      picture = song->GetCoverFileName();
      alt = "Album cover for " + song->SongAlbumName;
    }
  } else if (sources.pictures && sources.shown && sources.random) {
    sources.shown->resize(sources.pictures->size(), 0);
    const int index = ChooseSlideShowPicture(*sources.random, *sources.shown);
    if (index >= 0) {
      picture = (*sources.pictures)[index];
      alt = "Image " + picture;
    }
  }
  if (!FileExists(picture)) {
    WriteLogoPage(sources);
    return;
  }
  int width = 0, height = 0;
  const int error = GetJpegSize(picture, width, height);
  if (error != 0) {
    CString text;
    text.Format(ZoneText(IDS_ZONE_JPEG_HEADER), error, picture.GetString());
    if (CJukeboxServices* app = JukeboxServices()) app->WriteErrorLog("E", m_logSource, text);
    WriteLogoPage(sources);
    return;
  }
  CRect area;
  if (m_browser.GetSafeHwnd()) m_browser.GetClientRect(&area);
  WriteAndShow(CoverPagePath(sources.songFolder, sources.streamNumber),
               CoverPageText(picture, alt, FitPicture(width, height, area.Width(), area.Height())));
}

void CZoneCoverPage::WriteLogoPage(const CoverSources& sources) {
  CJukeboxServices* app = JukeboxServices();
  WriteAndShow(CoverPagePath(sources.songFolder, sources.streamNumber),
               LogoPageText(sources.startFolder, app ? app->GetVersionText() : CString()));
}

void CZoneCoverPage::WriteAndShow(const CString& path, const CString& text) {
  CreateDirectory(FolderOf(path), nullptr);
  CStdioFile file;
  if (file.Open(path, CFile::modeCreate | CFile::modeWrite)) {
    try {
      file.Write(text.GetString(), static_cast<UINT>(text.GetLength()));
      file.Close();
    } catch (CException* e) {
      e->Delete();
    }
  }
  if (m_browser.GetSafeHwnd() == nullptr) return;
  VARIANT empty;
  m_browser.Navigate(path, &empty, &empty, &empty, &empty);
}
