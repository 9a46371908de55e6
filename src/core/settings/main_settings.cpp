#include "core/settings/main_settings.h"

#include <exception>

#include "core/settings/key_access.h"

namespace pelko {

namespace {

// Sets a flag for the lifetime of a scope, also when the scope ends with an error.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& m_flag;
};

std::uint32_t readHotkeySlot(const IniFile& f, std::size_t slot) {
    if (slot == 0) {
        return std::uint32_t(read(f, keys::sshk));
    }
    const keys::IntKey& k = keys::hotkeySlots[slot - 1];
    return std::uint32_t(f.readInteger(k.section, k.name, k.factory));
}

// The factory values, in the order they are written; keys not listed keep their values.
void writeFactoryValues(const ProgramPaths& paths) {
    IniFile f(paths.settingsFile());
    IniFile::Batch batch(f);
    auto factory = [&f](const auto& key) { write(f, key, key.factory); };
    factory(keys::ssreccursor);
    factory(keys::runww);
    factory(keys::runmm);
    factory(keys::minimizewc);
    write(f, keys::saveto, paths.storedFolder(paths.screensDir()));
    factory(keys::saveas);
    factory(keys::jcq);
    factory(keys::startx);
    factory(keys::starty);
    factory(keys::rwidth);
    factory(keys::rheight);
    factory(keys::imgwidth);
    factory(keys::imgheight);
    factory(keys::saveac);
    factory(keys::clipboardac);
    factory(keys::paintac);
    factory(keys::ftpac);
    factory(keys::email);
    factory(keys::screensfilename);
    factory(keys::wct);
    factory(keys::imgpercent);
    factory(keys::gifcomp);
    factory(keys::watermarkEnable);
    factory(keys::watermarkTransparent);
    write(f, keys::watermarkImagefile, paths.defaultWatermark());
    factory(keys::watermarkTop);
    factory(keys::watermarkLeft);
    factory(keys::watermarkDirection);
    write(f, keys::useskins, false);
    factory(keys::openeditor);
    factory(keys::showhint);
    factory(keys::scalingEnable);
    write(f, keys::useskins, true);
    write(f, keys::exteditor, paths.paintProgram);
    factory(keys::sshk);
    for (const keys::IntKey& k : keys::hotkeySlots) {
        factory(k);
    }
    factory(keys::skin);
    batch.commit();
}

}  // namespace

void readparams(MainSettings& s, const ProgramPaths& paths, SettingsHost& host) {
    std::exception_ptr startupError;
    {
        FlagGuard loading(s.settingsLoading);
        IniFile f(paths.settingsFile());

        // A folder that is missing now (an unmounted disk or share) keeps its setting;
        // captures go to the screens folder until it is back (see outputFolderInUse). The
        // screens folder of a program folder is stored relative to it ("screens/").
        if (read(f, keys::saveto).empty() || !exists(f, keys::saveto)) {
            write(f, keys::saveto, paths.storedFolder(paths.screensDir()));
        }
        if (read(f, keys::screensfilename).empty()) {
            write(f, keys::screensfilename, keys::kDefaultTemplate);
        }

        s.ssreccursor = read(f, keys::ssreccursor, s.ssreccursor);
        s.cbenablewatermark = read(f, keys::watermarkEnable, s.cbenablewatermark);
        s.outputs.save = read(f, keys::saveac, s.outputs.save);
        s.outputs.clipboard = read(f, keys::clipboardac, s.outputs.clipboard);
        s.outputs.paint = read(f, keys::paintac, s.outputs.paint);
        s.outputs.ftp = read(f, keys::ftpac, s.outputs.ftp);
        s.outputs.email = read(f, keys::email, s.outputs.email);
        s.useSkins = read(f, keys::useskins);
        host.setSkinsEnabled(s.useSkins);
        s.cbopenineditor = read(f, keys::openeditor, s.cbopenineditor);
        s.cbenablescaling = read(f, keys::scalingEnable, s.cbenablescaling);
        s.showHint = read(f, keys::showhint);

        // One unwritable autostart entry must not leave the rest of the settings unloaded
        // and every hotkey unbound: its error is reported once the load has finished.
        s.runww = read(f, keys::runww);
        try {
            host.addtostartup(s.runww);
        } catch (...) {
            startupError = std::current_exception();
        }

        s.skinName = read(f, keys::skin);
        host.setSkinName(s.skinName);
        s.backgroundColor = ColorRef(read(f, keys::screenbgcolor, std::int32_t(s.backgroundColor)));
        for (std::size_t slot = 0; slot < s.hotkeys.size(); ++slot) {
            s.hotkeys[slot] = readHotkeySlot(f, slot);
        }
        s.runmm = read(f, keys::runmm);
        // Quality 0 is no quality: a first start or a junk value writes the factory quality,
        // never the worst one.
        s.jpegQuality = read(f, keys::jcq, s.jpegQuality);
        if (s.jpegQuality == 0) {
            s.jpegQuality = keys::jcq.factory;
        }
        s.language = read(f, keys::language, s.language);
        s.currentMode = read(f, keys::wct, s.currentMode);
        host.refreshControls(s);
    }
    host.bindHotkeys(s.hotkeys);
    if (startupError) {
        std::rethrow_exception(startupError);
    }
}

void saveparams(const MainSettings& s, const ProgramPaths& paths) {
    IniFile f(paths.settingsFile());
    IniFile::Batch batch(f);
    write(f, keys::sshk, std::int32_t(s.hotkeys[0]));
    write(f, keys::wct, s.currentMode);
    write(f, keys::language, s.language);
    write(f, keys::skin, s.skinName);
    write(f, keys::watermarkEnable, s.cbenablewatermark);
    write(f, keys::ssreccursor, s.ssreccursor);
    write(f, keys::saveac, s.outputs.save);
    write(f, keys::clipboardac, s.outputs.clipboard);
    write(f, keys::paintac, s.outputs.paint);
    write(f, keys::ftpac, s.outputs.ftp);
    write(f, keys::email, s.outputs.email);
    write(f, keys::openeditor, s.cbopenineditor);
    write(f, keys::scalingEnable, s.cbenablescaling);
    batch.commit();
}

void defaultsettings(MainSettings& s, const ProgramPaths& paths, SettingsHost& host) {
    try {
        writeFactoryValues(paths);
    } catch (...) {
        // The reload still runs after a failed write; the write error is the one reported.
        try {
            readparams(s, paths, host);
        } catch (...) {
        }
        throw;
    }
    s.skinName = std::string(keys::skin.factory);
    host.setSkinName(s.skinName);
    readparams(s, paths, host);
}

}  // namespace pelko
