#include "K7QBldObjectScreens.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>

#include "K7QBldCampaign.h"
#include "K7QBldContext.h"
#include "K7QBldDDBackGround.h"
#include "K7QBldDDData.h"
#include "K7QBldDDImages.h"
#include "K7QBldDDStrings.h"
#include "K7QBldDynamicData.h"
#include "K7QBldFormView.h"
#include "K7QBldMainFrm.h"

namespace {

// The first picture of the profile's folder (its large-object samples).
QString ProfileImage(const CK7QBldMacro& macro) {
  const QDir folder(K7QFromPath(macro.Profile().ProfileFolder()));
  const QStringList images = folder.entryList(
      {"*.gif", "*.GIF", "*.jpg", "*.JPG", "*.bmp", "*.BMP"}, QDir::Files, QDir::Name);
  return images.isEmpty() ? QString() : folder.filePath(images.front());
}

void SetText(QWidget* page, int id, const QString& text) {
  if (auto* edit = page->findChild<QLineEdit*>(QString::number(id))) edit->setText(text);
}

}  // namespace

bool K7QSaveObjectScreenshots(CK7QBldContext& context, CMainFrame& frame,
                              const std::function<bool(QWidget*, const QString&)>& save) {
  bool ok = true;
  frame.FormView().SelectItem(13, true);
  ok &= save(&frame, QStringLiteral("K7QBld-campaigns"));

  // The sheet is shown without waiting for it and closed with Cancel.
  CK7QBldDynamicData sheet(context, frame, &frame);
  const QString image = ProfileImage(frame.Macro());
  const auto browse = [image] { return image; };
  CK7QBldDDStrings* strings = sheet.StringsPage();
  SetText(strings, CK7QBldDDPage::kIdValue, QStringLiteral("0"));
  SetText(strings, CK7QBldDDStrings::kIdText, context.Text("object.example", "Sold out"));
  if (strings->findChild<QComboBox*>(QString::number(CK7QBldDDPage::kIdFunction))->count() > 0)
    strings->OnSet();
  CK7QBldDDImages* images = sheet.ImagesPage();
  SetText(images, CK7QBldDDPage::kIdValue, QStringLiteral("1"));
  images->m_browse = browse;
  images->OnBrowse();
  CK7QBldDDBackground* background = sheet.BackgroundPage();
  SetText(background, CK7QBldDDPage::kIdValue, QStringLiteral("1"));
  background->m_browse = browse;
  background->OnBrowse();
  const char* names[] = {"objects-list", "objects-background", "objects-text", "objects-image"};
  for (int i = 0; i < 4; ++i) {
    sheet.Tabs()->setCurrentIndex(i);
    ok &= save(&sheet, QStringLiteral("K7QBld-%1").arg(QLatin1String(names[i])));
  }
  sheet.OnCancel();
  return ok;
}
