#pragma once
// The tip-of-the-day component: holds the tip form and shows it on demand. Its properties live
// in the form, so reading one gives what the form shows; the owner reads the "show at startup"
// state after each showing and keeps it between runs.

#include <QColor>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "ui/tip_of_the_day.h"

namespace quillmark::ui {

class TmxTipDialog : public QObject {
  Q_OBJECT
  Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(QString CloseButton READ CloseButton WRITE SetCloseButton)
  Q_PROPERTY(QString Header READ Header WRITE SetHeader)
  Q_PROPERTY(QPixmap Image READ Image WRITE SetImage)
  Q_PROPERTY(QColor ImageBackColor READ ImageBackColor WRITE SetImageBackColor)
  Q_PROPERTY(QString NextButton READ NextButton WRITE SetNextButton)
  Q_PROPERTY(QString StartupCaption READ StartupCaption WRITE SetStartupCaption)
  Q_PROPERTY(bool StartupState READ StartupState WRITE SetStartupState)
  Q_PROPERTY(QStringList Tips READ Tips WRITE SetTips)
  Q_PROPERTY(QString Version READ Version WRITE SetVersion)

 public:
  // Before the form shows; the handler may change the start-up state the form opens with.
  using TEventOnExecute = std::function<void(QObject* sender, bool& startup_state)>;
  // After the form has closed, with the state the user left the check box in.
  using TEventOnClose = std::function<void(QObject* sender, bool startup_state)>;

  // The form is a window of `owner`, so it stays above it.
  explicit TmxTipDialog(QWidget* owner = nullptr);
  ~TmxTipDialog() override;

  // Shows the form modally; returns when it closes.
  void Execute();

  QColor BackColor() const;
  void SetBackColor(const QColor& colour);
  TFormBorderStyle BorderStyle() const { return form_->BorderStyle(); }
  void SetBorderStyle(TFormBorderStyle style) { form_->SetBorderStyle(style); }
  QString Caption() const;
  void SetCaption(const QString& caption);
  QString CloseButton() const;
  void SetCloseButton(const QString& caption);
  QString Header() const;
  void SetHeader(const QString& header);
  QPixmap Image() const;
  void SetImage(const QPixmap& image);
  // The picture strip's colour; writing recolours the separator line too.
  QColor ImageBackColor() const;
  void SetImageBackColor(const QColor& colour);
  QString NextButton() const;
  void SetNextButton(const QString& caption);
  QString StartupCaption() const;
  void SetStartupCaption(const QString& caption);
  bool StartupState() const;
  void SetStartupState(bool shown);
  QStringList Tips() const { return form_->Tips(); }
  void SetTips(const QStringList& tips) { form_->SetTips(tips); }
  // Always "2.11"; the version is the component's own and writing it changes nothing.
  QString Version() const;
  void SetVersion(const QString&) {}

  const TEventOnExecute& OnExecute() const { return on_execute_; }
  void SetOnExecute(TEventOnExecute handler) { on_execute_ = std::move(handler); }
  const TEventOnClose& OnClose() const { return on_close_; }
  void SetOnClose(TEventOnClose handler) { on_close_ = std::move(handler); }

  Tfrm_TipOfTheDay& Form() { return *form_; }

 private:
  // Major version in bits 8 to 15, minor in bits 0 to 7.
  static constexpr std::uint32_t kVersion = (2u << 8) | 11u;

  std::unique_ptr<Tfrm_TipOfTheDay> form_;
  TEventOnExecute on_execute_;
  TEventOnClose on_close_;
};

}  // namespace quillmark::ui
