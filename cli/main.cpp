// vardenix-cli: the compute command of the calculation window, run on every
// row of a CSV batch.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

#include "cli/batch.h"
#include "hydraulics/constants.h"
#include "hydraulics/number_text.h"

namespace {

using cli::kAllFine;
using cli::kDataError;
using cli::kProgram;
using cli::kUsageError;
using cli::Quoted;

constexpr std::string_view kUsage =
    "用法：vardenix-cli [--geometry exact | --profile] [--units si|us] [--g 值] [--k 值] [--] [文件]";

constexpr std::string_view kHelp = R"(用法：vardenix-cli [--geometry exact | --profile] [--units si|us] [--g 值] [--k 值] [--] [文件]

按计算窗口的“开始计算”逐行计算一批断面的临界水深和水面宽度。
从文件读入 CSV；不给文件或文件为 - 时读标准输入。结果以 CSV 写到标准输出，
每读完一行就写出该行的结果，因此可以经管道逐行问答，输入再大也只占少量内存。

输入
  第一行是表头，其后每行一次计算。列的顺序任意，列名区分大小写：
    type   断面类型代码（16 位整数）：1 圆形断面，2 矩形断面，3 梯形断面，4 三角形断面，
           5 门洞形断面；其他整数照窗口的做法只写出水面宽度。前后的空格和制表符不计。
    Q      流量，TextQ
    R      半径，Text1(1)
    b      底(顶)宽，Text1(2)
    W      平均宽度，Text1(3)
    s1     边坡坡度前项，Text1(4)
    s2     边坡坡度后项，Text1(5)
    wall   直墙高度，Text1(6)
    angle  顶拱角度，Text1(7)
  除 type 外，字段按原样放进对应的文本框（前导空格也保留），读法与窗口相同。
  缺少的列当作空文本框。type 列不可缺少。
  格式按 RFC 4180：字段可加双引号，引号内可含逗号和换行，"" 表示一个双引号；
  行尾可为 CRLF、LF 或单独的 CR，最后一行可不带换行，开头的 UTF-8 BOM 忽略。空行跳过，不产生输出行。
  一行最多 1048576 字节、4096 个字段；更长的行读过而不处理。

输出
  表头 depth,width,message,focus，其后每个输入行对应一行，顺序不变：
    depth    计算后 Text1(8)（临界水深）显示的文本
    width    计算后 TextBk（水面宽度）显示的文本
    message  窗口会弹出的提示（无则为空）；该行无法处理时为错误说明
    focus    提示后获得焦点的文本框：TextQ、Text1(1) 或 Text1(2)（无则为空）
  每行都像在刚打开的窗口中计算，互不影响。需要时字段加双引号，行尾为 LF，编码 UTF-8。

错误
  错误写到标准错误，注明行号和列号；其余各行照常计算并输出：
    未知的列名（该列不读）、重复的列名或缺少 type 列（各行均不计算）、
    type 不是整数或超出 16 位范围、字段多于或少于表头、引号不成对、行过长。
  无法处理的行仍输出一行：depth、width、focus 为空，message 为错误说明。
  引号未闭合时，其后直到输入结束的内容都读进这一个字段，该行无法处理，message 注明这一点。

退出状态
  0 全部正常；1 输入数据有错；2 用法错误或无法读写。

精确断面几何（--geometry exact）
  不按窗口的方法，而按真实断面几何求解临界条件 α·Q²·B(h) / (g·A(h)³) = 1，精确到双精度：
    圆形为弓形面积，矩形、三角形同窗口，梯形给出 b 时按底宽为 b 的真梯形
    （A = (b + h/s)·h，B = b + 2h/s），否则按平均宽度 W；门洞形为直墙以下的矩形加顶拱弓形，
    α 取 1.05，其余 α = 1。输入列相同，但断面用到的 Q 和尺寸各格须是一个完整的数（前后可有空格），
    空白的格当作未给；其他内容或超出双精度范围的数是该行的输入数据错误，该行不计算，message 注明。
    每行输出临界状态：
    表头 depth,width,area,velocity,hydraulic_depth,energy,message
    depth 临界水深，width 水面宽度，area 过水面积，velocity 流速 Q/A，
    hydraulic_depth 水力深度 A/B，energy 断面比能 h + α·V²/(2g)；数值为双精度文本形式。
    临界水深达到封闭断面顶部时给出满断面的值，水面宽度为 0，水力深度为空。
    message 为空，或说明输入构不成断面的原因，或提示临界水深超过封闭断面高度的 95%。
  弗劳德数一律为 Fr = V / √(g·A/(α·B))，α 同上，因此临界水深处 Fr = 1（门洞形也是）。
  Fr 与 1 相差不超过 0.001 为临界流。
  另有三个可选输入列，表头有哪一列，就在 message 之前按下列顺序加入相应的输出列：
    n      糙率，须大于 0。加入 critical_slope：临界坡度 i_k（正常水深等于临界水深时的底坡）
    S0     底坡 i，须与 n 同用。加入 normal_depth,normal_velocity,normal_froude,regime,slope_class：
           按曼宁公式 Q = k/n·A·R^(2/3)·S0^(1/2) 求出的正常水深 h_0、该水深的流速和弗劳德数、
           均匀流的流态（缓流、急流、临界流）和底坡类型：缓流为缓坡，急流为陡坡，临界流为临界坡；
           S0 = 0 为平坡，S0 < 0 为逆坡，此时不存在正常水深，只给出底坡类型
    h      给定水深。加入 energy_at_h,froude_at_h,alternate_depth,sequent_depth：该水深的断面比能
           和弗劳德数、交替水深（比能相同、在临界水深另一侧）和共轭水深（水跃前后动量函数相同）
  这三列按文本框的读法取前导数字（“0.014m”读作 0.014）。空白的格当作未给；不以数字开头
  的格和超出双精度范围的数也当作未给，并作为输入数据错误报告。无值的格为空，message 说明原因，
  几条原因以“；”相连。封闭断面有两个正常水深或门洞形有几个临界水深时，输出最低的一个，
  message 注明其余的。有 S0 而无 n 时不读 S0 列；按窗口的方法计算时不读这三列；两者都作为输入数据错误报告。
  --units si|us  单位制：si 为米、立方米每秒，g = 9.8，k = 1（默认）；
                 us 为英尺、立方英尺每秒，g = 32.174 英尺每二次方秒，k = 1.486
  --g 值         重力加速度，覆盖单位制的默认值
  --k 值         曼宁公式 Q = k/n·A·R^(2/3)·S0^(1/2) 的单位系数 k，覆盖单位制的默认值
                 （si 为 1，us 为 1.486；有的资料用 1.4859 或 1.49）
  --units、--g 和 --k 仅用于 --geometry exact 和 --profile。

水面曲线（--profile）
  按精确断面几何计算棱柱形渠道的恒定渐变流水面曲线：从控制断面（x = 0，水深 h1）起，
  x 为顺水流方向到控制断面的距离，上游为负。x 是渐变流微分方程
    dx/dh = (1 − α·Q²·B/(g·A³)) / (i − J)，J = (n·Q/(k·A·R^(2/3)))²
  的精确积分（Gauss–Kronrod 求积，正常水深处的对数奇点以解析式计入），相对误差不超过 1e-9；
  同时给出分段求和法（直接步进法）的距离 Δx = (E₂ − E₁)/(i − J̄)，J̄ 为两断面水力坡度的算术平均，
  以便与教科书的计算表对照。
  输入列：断面各列同 --geometry exact（W 给出的平均宽度梯形无湿周，不能计算），另有
    n      糙率，不可缺少
    S0     底坡 i，不可缺少；可为 0（平坡）或负（逆坡）
    h1     控制断面水深，不可缺少
    h2     终点水深：从 h1 到 h2 按水深等分
    L      渠段长度：按距离等分，各点水深由精确积分反求；缓流（h1 大于临界水深）向上游，
           急流向下游；h1 等于临界水深时，底坡缓于临界坡向上游，陡于临界坡向下游
    alpha  动能修正系数 α，空白时门洞形取 1.05，其余取 1
    steps  分段数，1 到 10000 的整数，空白时为 10
  h2 与 L 每行给出一个。n、S0、h1、h2、L、alpha 的读法同 --geometry exact 的 n、S0、h 列。
  输出：表头 row,profile,x,h,area,velocity,froude,energy,friction_slope,x_step,message，
  每个计算点一行：
    row             输入数据行的序号（表头后第一行为 1）
    profile         曲线类型与壅水曲线或降水曲线，如“a1型壅水曲线”
    x               距离（精确积分）
    h               水深
    area            过水面积
    velocity        流速 Q/A
    froude          弗劳德数
    energy          断面比能 h + α·V²/(2g)
    friction_slope  水力坡度 J
    x_step          分段求和法的距离
    message         第一行为曲线的说明（如壅水长度或降水长度：到水深与正常水深相差 1% 处的距离）；
                    最后一行说明曲线在临界水深（形成水跃或跌水）或断面顶部处中止
  曲线类型：a 区在正常水深和临界水深之上，b 区在两者之间，c 区在两者之下；
    缓坡 a1 b1 c1（M1 M2 M3），陡坡 a2 b2 c2（S1 S2 S3），临界坡 a3 c3（C1 C3），
    平坡 b0 c0（H2 H3），逆坡 b′ c′（A2 A3）。
    水深沿程增加为壅水曲线，沿程减小为降水曲线。
  曲线到达临界水深即止，并给出该处距离；终点水深越过正常水深（曲线只渐近它）、
  在临界水深另一侧或高于封闭断面顶部时说明原因。无曲线的输入行输出一行，message 为原因。

选项
  --help     显示本说明
  --version  显示版本号
  --geometry window|exact  按窗口的方法（默认）或按精确断面几何计算
  --profile  计算水面曲线（见上文）
  --         其后的参数都是文件名，即使以 - 开头

示例输入：
  type,Q,b,W,s1,s2
  2,10,5,,,
  3,10,,5,1,1.5
  3,10,,,1,1
  2,,5,,,
  2.5,10,5,,,

示例输出：
  depth,width,message,focus
  0.741784871693015,5,,
  0.796719246864319,6.195079,,
  无法计算,无法计算,,
  ,0,输入的流量有误！,TextQ
  ,,第 6 行第 1 列（type）：“2.5”不是整数,

精确断面几何示例输入（vardenix-cli --geometry exact）：
  type,Q,b,R,n,S0,h
  2,10,5,,0.013,0.001,0.4
  1,2,,1,0.013,0.001,
  2,10,5,,0.013,abc,0.4

精确断面几何示例输出：
  depth,width,area,velocity,hydraulic_depth,energy,critical_slope,normal_depth,normal_velocity,normal_froude,regime,slope_class,energy_at_h,froude_at_h,alternate_depth,sequent_depth,message
  0.741784871693015,5,3.70892435846507,2.69619949977585,0.741784871693015,1.11267730753952,0.00258709493922479,1.01953495020192,1.96167870420127,0.6206028711874,缓流,缓坡,1.67551020408163,2.52538136138053,1.59532267240426,1.24250349272735,
  0.666515935727845,1.88551147318336,0.916405523863516,2.18243992197702,0.486024899289699,0.909528385372695,0.00300568960029338,0.89866930866583,1.46147305112265,0.562927665007045,缓流,缓坡,,,,,未给水深 h
  0.741784871693015,5,3.70892435846507,2.69619949977585,0.741784871693015,1.11267730753952,0.00258709493922479,,,,,,1.67551020408163,2.52538136138053,1.59532267240426,1.24250349272735,第 4 行第 6 列（S0）：“abc”不是数，当作未给

水面曲线示例输入（vardenix-cli --profile --units us --g 32.2 --k 1.4859）：
  type,Q,b,n,S0,h1,h2,L,steps
  2,140,6,0.013,0.0015,3.1,3.4,,2
  2,140,6,0.013,0.0015,3.1,,230,2
  2,140,6,0.013,0.0015,3.1,2.5,,2
  2,140,6,0.013,0.0015,3.1,4,,2

水面曲线示例输出：
  row,profile,x,h,area,velocity,froude,energy,friction_slope,x_step,message
  1,b1型降水曲线,0,3.1,18.6,7.52688172043011,0.753366507287917,3.97971969616995,0.00247134610141248,0,降水长度 1520.73 英尺（至水深与正常水深相差1%处，水深 3.7122 英尺）
  1,b1型降水曲线,-87.3187896779142,3.25,19.5,7.17948717948718,0.701816877388739,4.05038876025498,0.00218069497771119,-85.5536402551387,
  1,b1型降水曲线,-236.146870259516,3.4,20.4,6.86274509803922,0.655889191090132,4.13132407268108,0.00193646511948242,-230.448382968221,
  2,b1型降水曲线,0,3.1,18.6,7.52688172043011,0.753366507287917,3.97971969616995,0.00247134610141248,0,降水长度 1520.73 英尺（至水深与正常水深相差1%处，水深 3.7122 英尺）
  2,b1型降水曲线,-115,3.28489611170927,19.7093766702556,7.10321804399228,0.690663318183187,4.06836981637538,0.00212010861548669,-111.407656484444,
  2,b1型降水曲线,-230,3.39524576895466,20.3714746137279,6.87235473398949,0.657267297552648,4.12861936506937,0.00194359168893817,-224.69059613082,
  3,b1型降水曲线,0,3.1,18.6,7.52688172043011,0.753366507287917,3.97971969616995,0.00247134610141248,0,降水长度 1520.73 英尺（至水深与正常水深相差1%处，水深 3.7122 英尺）；终点水深达不到：它在临界水深 2.56665 英尺另一侧
  3,b1型降水曲线,80.5126369360684,2.8,16.8,8.33333333333333,0.877630691398197,3.87832988267771,0.00324396871436097,74.6799692641623,
  3,b1型降水曲线,94.7167044672508,2.56664556330999,15.39987337986,9.09098383776926,1,3.84996834496499,0.00410460337659883,87.7240384986018,水面曲线在 x = 94.7167 英尺处达到临界水深 2.56665 英尺而止，此处形成水跃或跌水
  4,b1型降水曲线,,,,,,,,,降水长度 1520.73 英尺（至水深与正常水深相差1%处，水深 3.7122 英尺）；终点水深达不到：水面曲线只渐近正常水深 3.7497 英尺

)";

int UsageError(cli::OutputStream& err, const std::string& what) {
  err.buffer().append(kProgram).append(": ").append(what).append("\n").append(kUsage).append(
      "，详见 vardenix-cli --help\n");
  return kUsageError;
}

int WriteFailure(cli::OutputStream& out, cli::OutputStream& err) {
  err.buffer().append(kProgram).append(": 无法写入标准输出：").append(cli::ErrorText(out.error())) += '\n';
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  cli::OutputStream out(STDOUT_FILENO);
  cli::OutputStream err(STDERR_FILENO);
  const char* path = nullptr;
  cli::Options options;
  bool g_given = false;
  bool units_given = false;
  std::optional<double> g;
  std::optional<double> k;
  bool window_given = false;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_end) {
      if (arg == "--") {
        options_end = true;
        continue;
      }
      if (arg == "--profile") {
        options.profile = true;
        continue;
      }
      if (arg == "--geometry" || arg == "--g" || arg == "--units" || arg == "--k") {
        if (i + 1 == argc) return UsageError(err, Quoted(arg) + "后缺少值");
        const std::string_view value = argv[++i];
        if (arg == "--geometry") {
          if (value != "exact" && value != "window") return UsageError(err, "--geometry 只能是 exact 或 window");
          options.exact = value == "exact";
          window_given = value == "window";
        } else if (arg == "--units") {
          if (value != "si" && value != "us") return UsageError(err, "--units 只能是 si 或 us");
          options.units = value == "us" ? hydraulics::kUS : hydraulics::kSI;
          units_given = true;
        } else if (arg == "--k") {
          double read = 0;
          const hydraulics::NumberFault fault = hydraulics::ReadWholeNumber(value, read);
          if (fault == hydraulics::NumberFault::BeyondRange)
            return UsageError(err, "曼宁公式的单位系数" + Quoted(value) + "超出双精度范围");
          if (fault != hydraulics::NumberFault::None || !(read > 0))
            return UsageError(err, "曼宁公式的单位系数" + Quoted(value) + "应为正数");
          k = read;
        } else {
          double read = 0;
          const hydraulics::NumberFault fault = hydraulics::ReadWholeNumber(value, read);
          if (fault == hydraulics::NumberFault::BeyondRange)
            return UsageError(err, "重力加速度" + Quoted(value) + "超出双精度范围");
          if (fault != hydraulics::NumberFault::None || !(read > 0))
            return UsageError(err, "重力加速度" + Quoted(value) + "应为正数");
          g = read;
          g_given = true;
        }
        continue;
      }
      if (arg == "--help" || arg == "-h") {
        out.buffer() += kHelp;
        return out.Flush() ? kAllFine : WriteFailure(out, err);
      }
      if (arg == "--version") {
        out.buffer().append(VARDENIX_VERSION) += '\n';
        return out.Flush() ? kAllFine : WriteFailure(out, err);
      }
      if (arg.starts_with('-') && arg != "-") return UsageError(err, "未知的选项" + Quoted(arg));
    }
    if (path) return UsageError(err, "只能给一个文件");
    path = argv[i];
  }

  if (options.profile && window_given) return UsageError(err, "--profile 按精确断面几何计算，不能与 --geometry window 同用");
  const bool exact = options.exact || options.profile;
  if (g_given && !exact) return UsageError(err, "--g 只用于 --geometry exact 和 --profile");
  if (units_given && !exact) return UsageError(err, "--units 只用于 --geometry exact 和 --profile");
  if (k && !exact) return UsageError(err, "--k 只用于 --geometry exact 和 --profile");
  if (g) options.units.g = *g;
  if (k) options.units.k = *k;

  const bool from_stdin = !path || std::string_view(path) == "-";
  const auto read_failure = [&](int error) {
    err.buffer().append(kProgram).append(": 无法读取").append(from_stdin ? "标准输入" : "文件" + Quoted(path));
    err.buffer().append("：").append(cli::ErrorText(error)) += '\n';
    return kUsageError;
  };
  const int fd = from_stdin ? STDIN_FILENO : ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return read_failure(errno);
  // A directory opens, and reading it fails only later.
  struct stat status{};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) return read_failure(EISDIR);

  cli::Batch batch(out, err, options);
  batch.Run(fd);
  if (!from_stdin) ::close(fd);
  if (!out.Flush()) return WriteFailure(out, err);
  if (batch.read_error() != 0) return read_failure(batch.read_error());
  return batch.failed() ? kDataError : kAllFine;
}
