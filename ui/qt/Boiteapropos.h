#pragma once
// The About dialog: the maker's banner and contact lines, with web and mail links. Its caption and
// button follow the wizard's language; the contact lines stay French.
#include <QDialog>

#include "wizard/Texts.h"

class QLabel;
class QPushButton;

class TFormAPropos : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAPropos(QWidget* owner = nullptr);

  void SetLanguage(LanguageIndex n);
  void ButtonOkClick();
  void LabelNomSiteClick();
  void LabelMelClick();

  QPushButton* ButtonOk;
  QLabel* Image1;
  QLabel* LabelAdresse;
  QLabel* LabelCodeVille;
  QLabel* LabelPays;
  QLabel* LabelTelephone;
  QLabel* LabelTelecopie;
  QLabel* LabelNomSite;
  QLabel* LabelMel;

  LanguageIndex Language = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BrowseInternet(const QString& url);
};
