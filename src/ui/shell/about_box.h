#pragma once

#include <QWidget>

namespace pelko {

// The About box: banner, a few words on Pelko, the version and build date, the project's web
// page and contact address, and "Close". It sets the owner's open mark while it exists and
// deletes itself when closed.
class Tfrmabout : public QWidget {
    Q_OBJECT

  public:
    explicit Tfrmabout(bool& aboutOpen, QWidget* parent = nullptr);
    ~Tfrmabout() override;

    static const char* const kWebSite;
    static const char* const kEmail;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool& m_aboutOpen;
};

}  // namespace pelko
