#pragma once

#include <string>
#include <vector>

namespace qar
{

/// Direction of the exchange operations: one routine both loads and saves a group of settings.
enum class Exchange
{
    Read,
    Write,
};

/// Accessor of the INI-style .dat settings files, with the semantics of the Windows private profile
/// functions. Every operation opens and closes the file, so objects on one file see each other's writes.
/// Each write replaces the whole file and syncs it to disk; a WriteBatch makes several writes one.
class CProfileFile
{
public:
    /// Gathers every write to the file (through any object of this process on the same path) in memory
    /// while it lives, and writes the file once at the end: the keys of a form or of start-up reach the
    /// disk together, all or none, for the price of one synced write. Reads see the gathered writes;
    /// other processes see them when the batch ends. A batch inside another leaves the writing to the
    /// outer one.
    class WriteBatch
    {
    public:
        explicit WriteBatch(const CProfileFile& file);
        /// Writes what was gathered unless Commit did.
        ~WriteBatch();
        WriteBatch(const WriteBatch&) = delete;
        WriteBatch& operator=(const WriteBatch&) = delete;

        /// Writes the file now and ends the batch; false when the file could not be written or was
        /// unreadable (it then keeps its old content). True at once inside an outer batch.
        bool Commit();
        /// After a failed Commit, the system error that stopped it (EACCES for an unreadable file).
        int error() const { return m_error; }

    private:
        std::string m_path;
        bool m_done = false;
        bool m_written = true;
        int m_error = 0;
    };

    CProfileFile(std::string filePath, std::string section = {});
    virtual ~CProfileFile();

    void SetSection(const std::string& section);
    const std::string& Section() const { return m_section; }
    const std::string& FilePath() const { return m_filePath; }

    /// The key's value (at most 255 bytes), `def` when the key is missing. A non-empty `section`
    /// becomes the current section for this and later calls.
    std::string GetString(const std::string& key, const std::string& def = {}, const std::string& section = {});
    int GetInt(const std::string& key, int def, const std::string& section = {});
    void WriteString(const std::string& key, const std::string& value, const std::string& section = {});
    void WriteInt(const std::string& key, int value, const std::string& section = {});

    void ExchangeString(Exchange dir, std::string& value, const std::string& key, const std::string& section = {},
                        const std::string& def = {});
    void ExchangeInt(Exchange dir, int& value, const std::string& key, const std::string& section = {}, int def = 0);
    /// Exchanges key_0 ... key_(count-1).
    void ExchangeStringArray(Exchange dir, std::vector<std::string>& values, int count, const std::string& key,
                             const std::string& section = {}, const std::string& def = {});

    /// The text of the most recent read.
    const std::string& LastValue() const { return m_lastValue; }

private:
    const std::string& useSection(const std::string& section);

    std::string m_filePath;
    std::string m_section;
    std::string m_lastValue;
};

} // namespace qar
