<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AccessGate</name>
    <message>
        <source>不能生成密码的散列值</source>
        <translation>Cannot compute the hash of the PIN</translation>
    </message>
</context>
<context>
    <name>BusConsole</name>
    <message>
        <source>连接被中断</source>
        <translation>The connection was interrupted</translation>
    </message>
    <message>
        <source>无法启动通讯定时线程</source>
        <translation>Cannot start the communication timer thread</translation>
    </message>
    <message>
        <source>velkaro-bus: 变频器 </source>
        <translation>velkaro-bus: drive </translation>
    </message>
    <message>
        <source> 不再应答（</source>
        <translation> no longer answers (</translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source> 恢复应答</source>
        <translation> answers again</translation>
    </message>
    <message>
        <source>velkaro-bus: 试验 </source>
        <translation>velkaro-bus: trying </translation>
    </message>
    <message>
        <source>通讯参数检测未能按时结束</source>
        <translation>The line settings search did not end in time</translation>
    </message>
    <message>
        <source>在任何线路设置下，地址 </source>
        <translation>At every line setting, addresses </translation>
    </message>
    <message>
        <source> 上都没有变频器应答</source>
        <translation>: no drive answered</translation>
    </message>
    <message>
        <source>请检查接线和变频器的通讯地址，或用 --address、--count 试验其他地址</source>
        <translation>Check the wiring and the drives&apos; communication addresses, or try other addresses with --address and --count</translation>
    </message>
    <message>
        <source>在 </source>
        <translation>At </translation>
    </message>
    <message>
        <source> 下，地址 </source>
        <translation>, addresses </translation>
    </message>
    <message>
        <source> 上没有变频器应答</source>
        <translation>: no drive answered</translation>
    </message>
    <message>
        <source>线路设置由串口服务器或网关决定，请在那里检查</source>
        <translation>The line settings are those of the serial device server or gateway: check them there</translation>
    </message>
    <message>
        <source>不清楚线路设置时，可用 velkaro-bus find --device </source>
        <translation>If the line settings are not known, run velkaro-bus find --device </translation>
    </message>
    <message>
        <source> 检测</source>
        <translation> to detect them</translation>
    </message>
    <message>
        <source>搜寻地址 </source>
        <translation>Searching address </translation>
    </message>
    <message>
        <source>（</source>
        <translation> (</translation>
    </message>
    <message>
        <source>），已找到 </source>
        <translation>), found </translation>
    </message>
    <message>
        <source> 台</source>
        <translation> drives</translation>
    </message>
    <message>
        <source>地址搜寻未能按时结束</source>
        <translation>The address search did not end in time</translation>
    </message>
    <message>
        <source>请用 velkaro-bus --help 查看用法。</source>
        <translation>See velkaro-bus --help for the usage.</translation>
    </message>
</context>
<context>
    <name>BusDrive</name>
    <message>
        <source>寄存器 </source>
        <translation>Register </translation>
    </message>
    <message>
        <source> 之后没有 </source>
        <translation> is not followed by </translation>
    </message>
    <message>
        <source> 个寄存器</source>
        <translation> registers</translation>
    </message>
    <message>
        <source>参数 </source>
        <translation>Parameter </translation>
    </message>
    <message>
        <source> 不在 </source>
        <translation> is not in the parameter table of the </translation>
    </message>
    <message>
        <source> 的参数表中</source>
        <translation> series</translation>
    </message>
    <message>
        <source>功能组 </source>
        <translation>Group </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>地址</source>
        <translation>No drive found at address </translation>
    </message>
    <message>
        <source>上没有找到变频器。</source>
        <translation>.</translation>
    </message>
</context>
<context>
    <name>BusLog</name>
    <message>
        <source>数据源不可用：</source>
        <translation>Data source unavailable: </translation>
    </message>
    <message>
        <source>数据源无响应，运行记录暂停</source>
        <translation>Data source not responding, run records paused</translation>
    </message>
    <message>
        <source>数据源不可用，运行记录暂停：</source>
        <translation>Data source unavailable, run records paused: </translation>
    </message>
    <message>
        <source>数据源恢复，运行记录继续</source>
        <translation>Data source back, run records resumed</translation>
    </message>
    <message>
        <source>数据源恢复，运行记录继续；其间因队列已满丢失 </source>
        <translation>Data source back, run records resumed; lost meanwhile because the queue was full: </translation>
    </message>
    <message>
        <source> 行</source>
        <translation> rows</translation>
    </message>
    <message>
        <source>运行记录表没有“站名”列，且不能添加，记录不带站名：</source>
        <translation>The run record table has no 站名 (station) column and it cannot be added; records are written without the station: </translation>
    </message>
    <message>
        <source>开始记录：站名 </source>
        <translation>Recording started: station </translation>
    </message>
    <message>
        <source>，设备 </source>
        <translation>, device </translation>
    </message>
    <message>
        <source>，地址 </source>
        <translation>, addresses </translation>
    </message>
    <message>
        <source>结束记录</source>
        <translation>Recording ended</translation>
    </message>
    <message>
        <source>找到变频器 </source>
        <translation>Found drive </translation>
    </message>
    <message>
        <source>（地址 </source>
        <translation> (address </translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>变频器 </source>
        <translation>Drive </translation>
    </message>
    <message>
        <source> 不再应答（</source>
        <translation> no longer answers (</translation>
    </message>
    <message>
        <source> 恢复应答</source>
        <translation> answers again</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source> 故障已解除（</source>
        <translation> fault cleared (</translation>
    </message>
    <message>
        <source>串口 </source>
        <translation>Serial port </translation>
    </message>
    <message>
        <source> 失去连接，每 5 秒试着重新打开</source>
        <translation> lost, trying to reopen it every 5 seconds</translation>
    </message>
    <message>
        <source> 已重新打开</source>
        <translation> reopened</translation>
    </message>
    <message>
        <source>MQTT 代理已连接：</source>
        <translation>MQTT broker connected: </translation>
    </message>
    <message>
        <source>MQTT 代理 </source>
        <translation>MQTT broker </translation>
    </message>
    <message>
        <source> 不可达，稍后重连：</source>
        <translation> unreachable, reconnecting later: </translation>
    </message>
</context>
<context>
    <name>BusOptions</name>
    <message>
        <source>地址范围 </source>
        <translation>Address range </translation>
    </message>
    <message>
        <source> 超出了 1..247</source>
        <translation> goes beyond 1..247</translation>
    </message>
    <message>
        <source>--mqtt-credentials、--mqtt-ca 和 --ha-discovery 需要 --mqtt 地址</source>
        <translation>--mqtt-credentials, --mqtt-ca and --ha-discovery need --mqtt address</translation>
    </message>
    <message>
        <source>缺少 --address 地址</source>
        <translation>Missing --address address</translation>
    </message>
    <message>
        <source>需要一个文件名</source>
        <translation>One file name is needed</translation>
    </message>
    <message>
        <source>缺少 --device 设备</source>
        <translation>Missing --device device</translation>
    </message>
    <message>
        <source>compare 需要 --device 设备和一个文件，或两个文件</source>
        <translation>compare needs --device device and one file, or two files</translation>
    </message>
    <message>
        <source>缺少控制命令，例如 run、stop、frequency=35.5</source>
        <translation>Missing control commands, for example run, stop, frequency=35.5</translation>
    </message>
    <message>
        <source>read 需要 --parameter、--group 或 --register 中的一个</source>
        <translation>read needs one of --parameter, --group or --register</translation>
    </message>
    <message>
        <source>--count 只用于 --register</source>
        <translation>--count goes only with --register</translation>
    </message>
    <message>
        <source>write 需要 --parameter 或 --register 中的一个</source>
        <translation>write needs one of --parameter or --register</translation>
    </message>
    <message>
        <source>--parameter 需要 --value 参数值</source>
        <translation>--parameter needs --value value</translation>
    </message>
    <message>
        <source>--register 需要 --word 字</source>
        <translation>--register needs --word word</translation>
    </message>
    <message>
        <source>--device 需要设备路径</source>
        <translation>--device needs a device path</translation>
    </message>
    <message>
        <source>波特率只能是 38400、19200、9600、4800、2400 或 1200：</source>
        <translation>The baud rate can only be 38400, 19200, 9600, 4800, 2400 or 1200: </translation>
    </message>
    <message>
        <source>校验只能是 N、E 或 O：</source>
        <translation>The parity can only be N, E or O: </translation>
    </message>
    <message>
        <source>数据位只能是 8 或 7：</source>
        <translation>The data bits can only be 8 or 7: </translation>
    </message>
    <message>
        <source>停止位只能是 1 或 2：</source>
        <translation>The stop bits can only be 1 or 2: </translation>
    </message>
    <message>
        <source>起始地址应在 1..247 之间：</source>
        <translation>The first address must be within 1..247: </translation>
    </message>
    <message>
        <source>寄存器个数应在 1..125 之间：</source>
        <translation>The number of registers must be within 1..125: </translation>
    </message>
    <message>
        <source>地址个数应在 1..247 之间：</source>
        <translation>The number of addresses must be within 1..247: </translation>
    </message>
    <message>
        <source>地址应在 1..247 之间：</source>
        <translation>The address must be within 1..247: </translation>
    </message>
    <message>
        <source>监视时间应为正的秒数：</source>
        <translation>The watch time must be a positive number of seconds: </translation>
    </message>
    <message>
        <source>--station：</source>
        <translation>--station: </translation>
    </message>
    <message>
        <source>--dsn 需要数据源名称：</source>
        <translation>--dsn needs a data source name: </translation>
    </message>
    <message>
        <source>--mqtt-credentials 需要文件名</source>
        <translation>--mqtt-credentials needs a file name</translation>
    </message>
    <message>
        <source>--mqtt-ca 需要文件名</source>
        <translation>--mqtt-ca needs a file name</translation>
    </message>
    <message>
        <source>--parameter 需要功能号，例如 F0-05</source>
        <translation>--parameter needs a parameter code, for example F0-05</translation>
    </message>
    <message>
        <source>--group 需要功能组，例如 F0</source>
        <translation>--group needs a group, for example F0</translation>
    </message>
    <message>
        <source>寄存器应在 0..65535（或 0x0000..0xFFFF）之间：</source>
        <translation>The register must be within 0..65535 (or 0x0000..0xFFFF): </translation>
    </message>
    <message>
        <source>--value 需要参数值</source>
        <translation>--value needs a parameter value</translation>
    </message>
    <message>
        <source>写入的字应在 0..65535（或 0x0000..0xFFFF）之间：</source>
        <translation>The word to write must be within 0..65535 (or 0x0000..0xFFFF): </translation>
    </message>
    <message>
        <source>未知控制命令：</source>
        <translation>Unknown control command: </translation>
    </message>
    <message>
        <source>（可用 run、forward、reverse、stop、coast、estop、reset、store、frequency=0..655.35）</source>
        <translation> (available: run, forward, reverse, stop, coast, estop, reset, store, frequency=0..655.35)</translation>
    </message>
    <message>
        <source> 不接受参数：</source>
        <translation> takes no operands: </translation>
    </message>
    <message>
        <source>未知选项：</source>
        <translation>Unknown option: </translation>
    </message>
    <message>
        <source>find 逐一试验全部线路设置，不接受 </source>
        <translation>find tries every line setting in turn and takes no </translation>
    </message>
    <message>
        <source> 不接受 </source>
        <translation> takes no </translation>
    </message>
    <message>
        <source> 不带取值</source>
        <translation> takes no value</translation>
    </message>
    <message>
        <source> 缺少取值</source>
        <translation> needs a value</translation>
    </message>
    <message>
        <source>缺少命令</source>
        <translation>Missing command</translation>
    </message>
    <message>
        <source>未知命令：</source>
        <translation>Unknown command: </translation>
    </message>
</context>
<context>
    <name>BusStats</name>
    <message>
        <source>请求</source>
        <translation>requests</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>answers</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>timeouts</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>retries</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <source>残帧</source>
        <translation>noise frames</translation>
    </message>
    <message>
        <source>他址帧</source>
        <translation>other address frames</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>late</translation>
    </message>
    <message>
        <source>短应答</source>
        <translation>short replies</translation>
    </message>
    <message>
        <source>	异常=</source>
        <translation>	exceptions=</translation>
    </message>
    <message>
        <source>	应答时间最近=</source>
        <translation>	reply time last=</translation>
    </message>
    <message>
        <source>	最小=</source>
        <translation>	min=</translation>
    </message>
    <message>
        <source>	平均=</source>
        <translation>	mean=</translation>
    </message>
    <message>
        <source>	最大=</source>
        <translation>	max=</translation>
    </message>
    <message>
        <source>	最后应答=</source>
        <translation>	last answer=</translation>
    </message>
    <message>
        <source>	最后应答=无</source>
        <translation>	last answer=none</translation>
    </message>
</context>
<context>
    <name>BusTransfer</name>
    <message>
        <source>数据导出被中断，参数文件未写入！</source>
        <translation>Export interrupted, the parameter file was not written!</translation>
    </message>
    <message>
        <source>数据导入被中断，参数未全部写入变频器！</source>
        <translation>Import interrupted, not all parameters were written to the drive!</translation>
    </message>
    <message>
        <source>数据导入被中断，没有参数写入变频器。</source>
        <translation>Import interrupted, no parameters were written to the drive.</translation>
    </message>
    <message>
        <source>参数已写入，但变频器没有确认存储到EEPROM。</source>
        <translation>Parameters written, but the drive did not confirm the store to EEPROM.</translation>
    </message>
    <message>
        <source>参数传输没有结束。</source>
        <translation>The parameter transfer did not end.</translation>
    </message>
    <message>
        <source>参数已全部写入变频器，但存储到EEPROM前被中断，变频器没有存储。</source>
        <translation>All parameters were written to the drive, but the transfer was interrupted before the store to EEPROM: the drive has not stored them.</translation>
    </message>
    <message>
        <source>
已有 </source>
        <translation>
</translation>
    </message>
    <message>
        <source> 个参数写入变频器，没有存储到EEPROM。</source>
        <translation> parameters were written to the drive, not stored to EEPROM.</translation>
    </message>
    <message>
        <source>通讯故障导致数据导入失败！</source>
        <translation>Import failed because of a communication fault!</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>No drive found at address </translation>
    </message>
    <message>
        <source>上没有找到变频器。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>参数读取被中断，没有写入文件。</source>
        <translation>Parameter readout interrupted, no file was written.</translation>
    </message>
    <message>
        <source>参数读取没有结束。</source>
        <translation>The parameter readout did not end.</translation>
    </message>
</context>
<context>
    <name>BusUsage</name>
    <message>
        <source>--device 设备 [线路选项] [--from 地址] [--count 个数]</source>
        <translation>--device DEVICE [line options] [--from ADDRESS] [--count NUMBER]</translation>
    </message>
    <message>
        <source>搜寻 --from 起的 --count 个地址（默认 1..247），每找到一台变频器输出一行名字，
例如 3#QD30-7.50。搜寻多于 8 个地址且输出到终端时，标准错误上显示进度：
正在试的地址、第几个、已找到几台。没有变频器应答时说明下一步（find），
退出码 1。Ctrl-C 结束搜寻，输出已找到的变频器，退出码 130。</source>
        <translation>Searches --count addresses from --from (default 1..247) and prints one line
with the name of each drive found, for example 3#QD30-7.50. When more than 8
addresses are searched and the output is a terminal, standard error shows the
progress: the address under test, how many of the range, how many drives found.
When no drive answers it says what to try next (find), exit status 1. Ctrl-C
ends the search and prints the drives found so far, exit status 130.</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] [--from 地址] [--count 个数] [--for 秒数]
[--stats]</source>
        <translation>--device DEVICE [line options] [--from ADDRESS] [--count NUMBER]
[--for SECONDS] [--stats]</translation>
    </message>
    <message>
        <source>先像 scan 一样搜寻，再每 100 ms 轮询一次状态，每次收到状态输出一行（制表符分隔）：
秒数  变频器名  状态  故障/报警原因  输出频率=..Hz  设定频率=..Hz
输出电流=..A  输出电压=..V  输出转矩=..%  母线电压=..V
变频器不再应答时输出一行状态“通讯断线”，并在标准错误上说明一次；恢复应答时
再说明一次。共监视 --for 秒（默认 10），Ctrl-C 提前结束（退出码 130）。
加 --stats 时，监视结束后每台变频器输出一行通讯统计（制表符分隔）：名字、
请求、应答、超时、重试、CRC错误、残帧、他址帧、迟到、短应答、异常（按代码）、
应答时间 最近/最小/平均/最大（ms）、最后应答（秒数）。</source>
        <translation>Searches as scan does, then polls the status every 100 ms and prints one line
(tab-separated) for each status received: seconds  drive name  state
fault/alarm cause  Output frequency=..Hz  Frequency reference=..Hz
Output current=..A  Output voltage=..V  Output torque=..%  Bus voltage=..V
A drive that stops answering gets a line with the state &quot;Link lost&quot; and one
notice on standard error; another when it answers again. Watches for --for
seconds (default 10); Ctrl-C ends it early (exit status 130).
With --stats, one line of link statistics per drive at the end (tab-separated):
name, requests, answers, timeouts, retries, CRC errors, noise frames, other
address frames, late, short replies, exceptions (by code), reply time
last/min/mean/max (ms), last answer (seconds).</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] [--from 地址] [--count 个数] [--for 秒数]</source>
        <translation>--device DEVICE [line options] [--from ADDRESS] [--count NUMBER]
[--for SECONDS]</translation>
    </message>
    <message>
        <source>先搜寻，再像 watch 一样轮询，每一帧输出一行（制表符分隔）：开始后的毫秒数、
TX 或 RX、帧的字节（两位大写十六进制，以空格分隔；超时无字节时为 --）、
说明，例如“读 0x3210 ×16”“应答 16 字”“异常 02 非法地址”“CRC 错误”。</source>
        <translation>Searches, then polls as watch does, and prints one line per frame
(tab-separated): milliseconds since the start, TX or RX, the frame&apos;s bytes (two
upper-case hex digits, space-separated; -- for a timeout without bytes), and
what it is, for example &quot;read 0x3210 ×16&quot;, &quot;reply 16 words&quot;,
&quot;exception 02 Illegal address&quot;, &quot;CRC error&quot;.</translation>
    </message>
    <message>
        <source>--device 设备 [--address 地址] [--count 个数] [--fast-replies]</source>
        <translation>--device DEVICE [--address ADDRESS] [--count NUMBER] [--fast-replies]</translation>
    </message>
    <message>
        <source>逐一试验本站提供的全部线路设置（6 种波特率 × 3 种校验 × 2 种停止位，先 8 位
数据位再 7 位，波特率由高到低），在每种设置下对 --address 起（默认 1）的
--count 个地址（默认 1）做回送测试；每种有变频器应答的设置输出一行，例如
“19200 E 8 1  3#QD30-7.50”。进度输出到标准错误。没有任何应答时退出码 1。
虚拟串口（pty）只传递波特率，校验和数据位不起作用；经网络连接的端口不能检测。</source>
        <translation>Tries every line setting the station offers in turn (6 baud rates x 3 parities
x 2 stop bits, 8 data bits before 7, baud rates from high to low), with an echo
test at --count addresses (default 1) from --address (default 1) at each; prints
one line per setting at which drives answered, for example
&quot;19200 E 8 1  3#QD30-7.50&quot;. Progress goes to standard error. Exit status 1
when nothing answered. A virtual serial port (pty) passes only the baud rate:
parity and data bits have no effect there; ports over the network cannot be
detected.</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] --address 地址 文件</source>
        <translation>--device DEVICE [line options] --address ADDRESS FILE</translation>
    </message>
    <message>
        <source>读出变频器的全部参数存入 .sav 文件（QD10、QD30 系列）。中断或失败时不留下文件。</source>
        <translation>Reads all parameters of the drive into a .sav file (QD10, QD30 series). Leaves
no file when interrupted or failed.</translation>
    </message>
    <message>
        <source>把 .sav 文件写回变频器（只限 QD30 系列），再存储到EEPROM。有缺陷的文件在通讯前
即被拒绝。被 Ctrl-C 中断时说明已有多少个参数写入变频器（未存储到EEPROM）。</source>
        <translation>Writes a .sav file back to the drive (QD30 series only), then stores it to
EEPROM. A faulty file is refused before any communication. Interrupted by
Ctrl-C, it tells how many parameters were written to the drive (not stored to
EEPROM).</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] --address 地址 文件.csv</source>
        <translation>--device DEVICE [line options] --address ADDRESS FILE.csv</translation>
    </message>
    <message>
        <source>读出变频器全部功能组的参数（任何系列），写成参数报表（CSV，UTF-8）：变频器名称、
机型、额定功率、读取时间，每个参数一行：功能组、功能号、参数名称、当前值、单位、
参数范围、修改属性、备注。中断或失败时不留下文件。</source>
        <translation>Reads the parameters of all groups of the drive (any series) and writes a
parameter report (CSV, UTF-8, with its Chinese column names): drive name,
model, rated power, time read, and one line per parameter: group, code, name,
current value, unit, range, change attribute, remarks. Leaves no file when
interrupted or failed.</translation>
    </message>
    <message>
        <source>文件 文件</source>
        <translation>FILE FILE</translation>
    </message>
    <message>
        <source>读出变频器的全部参数，与参数报表或 .sav 文件对比；给两个文件时对比这两个
文件，不用串口。每个不同的参数输出一行（制表符分隔）：功能号  参数名称
第一方的值  第二方的值；最后一行为“N differ, M equal”。机型不同时不对比。</source>
        <translation>Reads all parameters of the drive and compares them with a parameter report or
.sav file; given two files, compares the two files without the serial port.
One line per differing parameter (tab-separated): code  name  first value
second value; the last line is &quot;N differ, M equal&quot;. Different models are not
compared.</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] --address 地址 命令...</source>
        <translation>--device DEVICE [line options] --address ADDRESS COMMAND...</translation>
    </message>
    <message>
        <source>先搜寻 --address 上的变频器并读出其控制块，再按给出的顺序逐条执行命令，每条等到
变频器确认、拒绝或超时后再执行下一条；其间每 100 ms 读一次状态，被拒绝的命令读状态
后重发，最多三次。命令：run（运行）、forward（正转）、reverse（反转）、stop（停机）、
coast（自由停机）、estop（紧急停机）、reset（故障复位）、store（存储到EEPROM）、
frequency=赫兹（给定频率，0..655.35，例如 frequency=35.5）。每条命令输出一行
（制表符分隔）：命令  结果，结果为 已确认、被拒绝：异常名称 (代码)、超时 或 已取消，
例如“运行  已确认”“存储到EEPROM  被拒绝：非法功能 (01)”。</source>
        <translation>Finds the drive at --address and reads its control block, then carries out the
commands in the order given, each after the drive confirmed, refused or timed
out the one before; meanwhile the status is read every 100 ms, and a refused
command is sent again after a status read, at most three times. Commands: run,
forward, reverse, stop, coast (coast stop), estop (emergency stop), reset (fault
reset), store (store to EEPROM), frequency=HZ (frequency reference, 0..655.35,
for example frequency=35.5). One line per command (tab-separated): command
result, the result being confirmed, refused: exception name (code), timed out
or cancelled, for example &quot;Run  Confirmed&quot;,
&quot;Store to EEPROM  Refused: Illegal function (01)&quot;.</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] --address 地址
(--parameter 功能号 | --group 功能组 | --register 寄存器 [--count 个数])</source>
        <translation>--device DEVICE [line options] --address ADDRESS
(--parameter CODE | --group GROUP | --register REGISTER [--count NUMBER])</translation>
    </message>
    <message>
        <source>--parameter 功能号（例如 F0-05、Pr05）读出一个参数，--group 功能组（例如 F0，或从 0
起的序号）读出一组参数，每个参数一行：功能号  参数名称  当前值（带单位）；
--register 寄存器（十进制或 0x 十六进制）读出 --count 个（默认 1，最多 125）寄存器，
每个一行：寄存器  十六进制值  十进制值。读取失败时输出一行：所读内容  结果。</source>
        <translation>--parameter CODE (for example F0-05, Pr05) reads one parameter, --group GROUP
(for example F0, or its number from 0) a group of parameters, one line each:
code  name  current value (with unit); --register REGISTER (decimal or 0x hex)
reads --count registers (default 1, at most 125), one line each: register
hex value  decimal value. A failed read prints one line: what was read  result.</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] --address 地址
(--parameter 功能号 --value 数值 | --register 寄存器 --word 字)</source>
        <translation>--device DEVICE [line options] --address ADDRESS
(--parameter CODE --value VALUE | --register REGISTER --word WORD)</translation>
    </message>
    <message>
        <source>--parameter 功能号 --value 数值：按参数表的小数位和正负写入一个参数，数值超出该参数
的寄存器范围（或不是数值）时不写入，退出码 2；--register 寄存器 --word 字（0..65535，
或 0x 十六进制）：原样写入一个寄存器。输出一行：所写内容  结果，例如
“F0-09 = 12.5s  已确认”“0x0103 = 0x0005  被拒绝：非法数据值 (03)”。写入的值不存入
EEPROM，需要时再执行 control ... store。</source>
        <translation>--parameter CODE --value VALUE: writes one parameter with the decimals and sign
of the parameter table; a value outside the parameter&apos;s register range (or not
a number) is not written, exit status 2; --register REGISTER --word WORD
(0..65535, or 0x hex): writes one register as given. Prints one line: what was
written  result, for example &quot;F0-09 = 12.5s  Confirmed&quot;,
&quot;0x0103 = 0x0005  Refused: Illegal data value (03)&quot;. The value written is not
stored to EEPROM; run control ... store when needed.</translation>
    </message>
    <message>
        <source>--device 设备 [线路选项] [--from 地址] [--count 个数] [--station 站名]
[--dsn 数据源] [--mqtt 地址 [--mqtt-credentials 文件] [--mqtt-ca 文件]
[--ha-discovery]] [--for 秒数]</source>
        <translation>--device DEVICE [line options] [--from ADDRESS] [--count NUMBER]
[--station STATION] [--dsn DATA SOURCE] [--mqtt ADDRESS
[--mqtt-credentials FILE] [--mqtt-ca FILE] [--ha-discovery]] [--for SECONDS]</translation>
    </message>
    <message>
        <source>无人值守的记录器（可作为系统服务 velkaro-log@.service 运行）：先搜寻，再像本站一样
每 100 ms 轮询一次找到的变频器，每 5 秒写一次运行记录（数据源第一次使用时像本站一样
设置好），给出 --mqtt 时把每台变频器的状态发布到 MQTT 代理（只发布，不接受任何命令）。
每分钟重新搜寻范围内缺少的地址；串口断开后每 5 秒试着重新打开。每个事件（找到、
不再应答、恢复应答、故障、串口、数据源、MQTT 代理）在标准错误上输出一行。
收到 SIGTERM 或 SIGINT，或记录满 --for 秒后，写完排队的记录，正常结束（退出码 0）。</source>
        <translation>An unattended recorder (can run as the system service velkaro-log@.service):
searches, then polls the drives found every 100 ms as the station does, writes
run records every 5 seconds (setting up the data source on first use as the
station does), and with --mqtt publishes each drive&apos;s state to an MQTT broker
(publish only, no commands accepted). Searches the missing addresses of the
range again every minute; reopens a lost serial port every 5 seconds. Each
event (found, no longer answering, answering again, fault, serial port, data
source, MQTT broker) prints one line on standard error. On SIGTERM or SIGINT,
or after --for seconds, writes the queued records and ends (exit status 0).</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>DEVICE</translation>
    </message>
    <message>
        <source>串口设备路径（例如 /dev/ttyUSB0）；或 tcp://主机:端口，串口服务器
（透明传输，RTU 帧原样经 TCP 传送）；或 modbus-tcp://主机:端口，
Modbus TCP 网关（单元号 = 变频器地址）。经网络连接时线路选项不起
作用；连接限时 3 秒。</source>
        <translation>serial device path (for example /dev/ttyUSB0); or tcp://HOST:PORT, a
serial device server (transparent, RTU frames as they are over TCP);
or modbus-tcp://HOST:PORT, a Modbus TCP gateway (unit id = drive
address). Over the network the line options have no effect; the
connection is given 3 seconds.</translation>
    </message>
    <message>
        <source>线路选项：波特率（默认 9600）</source>
        <translation>line option: baud rate (default 9600)</translation>
    </message>
    <message>
        <source>线路选项：校验（默认 N）</source>
        <translation>line option: parity (default N)</translation>
    </message>
    <message>
        <source>线路选项：数据位（默认 8）</source>
        <translation>line option: data bits (default 8)</translation>
    </message>
    <message>
        <source>线路选项：停止位（默认 1）</source>
        <translation>line option: stop bits (default 1)</translation>
    </message>
    <message>
        <source>线路选项：应答一收全（按帧头长度且 CRC 正确）即结束，
不等 20 ms 静默</source>
        <translation>line option: a reply ends as soon as it is complete (by
its header&apos;s length and a good CRC), without waiting for
20 ms of silence</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>ADDRESS</translation>
    </message>
    <message>
        <source>scan、watch、monitor 搜寻的第一个地址，1..247（默认 1）</source>
        <translation>first address scan, watch and monitor search,
1..247 (default 1)</translation>
    </message>
    <message>
        <source>个数</source>
        <translation>NUMBER</translation>
    </message>
    <message>
        <source>scan、watch、monitor 搜寻的地址个数（默认到 247 为止），
find 试验的地址个数（默认 1），地址范围不能超过 247；
read --register 读出的寄存器个数（默认 1，最多 125）</source>
        <translation>number of addresses scan, watch and monitor search
(default up to 247), number of addresses find tests
(default 1), the range not beyond 247; number of
registers read --register reads (default 1, at most 125)</translation>
    </message>
    <message>
        <source>变频器的地址，1..247；find 试验的第一个地址（默认 1）</source>
        <translation>the drive&apos;s address, 1..247; the first address find
tests (default 1)</translation>
    </message>
    <message>
        <source>秒数</source>
        <translation>SECONDS</translation>
    </message>
    <message>
        <source>监视的秒数（默认 10）；log 记录的秒数（默认一直记录）</source>
        <translation>seconds to watch (default 10); seconds log records
(default: until stopped)</translation>
    </message>
    <message>
        <source>watch 结束时每台变频器输出一行通讯统计</source>
        <translation>at the end of watch, one line of link statistics per
drive</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>CODE</translation>
    </message>
    <message>
        <source>参数的功能号，例如 F0-05、Pr05</source>
        <translation>the parameter&apos;s code, for example F0-05, Pr05</translation>
    </message>
    <message>
        <source>功能组</source>
        <translation>GROUP</translation>
    </message>
    <message>
        <source>功能组，例如 F0，或从 0 起的序号</source>
        <translation>a parameter group, for example F0, or its number from 0</translation>
    </message>
    <message>
        <source>寄存器</source>
        <translation>REGISTER</translation>
    </message>
    <message>
        <source>寄存器地址，十进制或 0x 十六进制</source>
        <translation>register address, decimal or 0x hex</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>VALUE</translation>
    </message>
    <message>
        <source>参数值，按参数表的单位和小数位</source>
        <translation>parameter value, in the parameter table&apos;s unit and
decimals</translation>
    </message>
    <message>
        <source>字</source>
        <translation>WORD</translation>
    </message>
    <message>
        <source>原样写入的字，0..65535 或 0x 十六进制</source>
        <translation>word written as given, 0..65535 or 0x hex</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>STATION</translation>
    </message>
    <message>
        <source>写入运行记录和 MQTT 主题的站名（默认为本站保存的站名，
没有时为主机名）</source>
        <translation>station name written into the run records and MQTT
topics (default: the station&apos;s saved name, else the
host name)</translation>
    </message>
    <message>
        <source>数据源</source>
        <translation>DATA-SOURCE</translation>
    </message>
    <message>
        <source>运行记录写入的 ODBC 数据源（默认“变频器运行记录”）</source>
        <translation>ODBC data source the run records go to (default
&quot;变频器运行记录&quot;)</translation>
    </message>
    <message>
        <source>把变频器状态发布到 MQTT 代理：mqtt://主机[:端口]（默认 1883）
或 mqtts://主机[:端口]（TLS，默认 8883）</source>
        <translation>publish the drives&apos; state to an MQTT broker:
mqtt://HOST[:PORT] (default 1883) or
mqtts://HOST[:PORT] (TLS, default 8883)</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>MQTT 用户名和密码所在的文件（user=用户名、password=密码 两行）</source>
        <translation>file with the MQTT user name and password (two lines,
user=NAME and password=PASSWORD)</translation>
    </message>
    <message>
        <source>mqtts:// 用来验证代理的 CA 证书（PEM）</source>
        <translation>CA certificate (PEM) mqtts:// checks the broker with</translation>
    </message>
    <message>
        <source>为每台变频器的数值发布 Home Assistant 自动发现消息</source>
        <translation>publish Home Assistant discovery messages for each
drive&apos;s values</translation>
    </message>
    <message>
        <source>用法：</source>
        <translation>Usage:</translation>
    </message>
    <message>
        <source>命令：</source>
        <translation>Commands:</translation>
    </message>
    <message>
        <source>选项：</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>显示本说明后退出</source>
        <translation>show this help and exit</translation>
    </message>
    <message>
        <source>显示版本后退出</source>
        <translation>show the version and exit</translation>
    </message>
    <message>
        <source>线路选项为 --baud、--parity、--data、--stop 和 --fast-replies，默认 9600 N 8 1。
选项的取值可以写在后面，也可以用等号连接（--from=3）。

退出码：0 成功；1 串口打不开、连接不上、通讯中串口丢失或通讯未能完成，scan、watch、
monitor、find 没有变频器应答；2 命令行有误；130 被 Ctrl-C 中断（SIGTERM 时为 143）。
compare 的退出码：0 没有不同；1 有不同；2 出错（命令行、文件、机型或通讯）。
control、read、write 的退出码：0 每个请求都已确认；1 有请求被拒绝、超时或取消，或地址上
没有变频器；2 命令行有误（包括功能号或功能组不在该机型的参数表中、参数值超出参数的寄存器
范围），或串口打不开、连接不上、通讯中串口丢失。
操作提示信息输出到标准错误。串口因权限打不开时，请把账户加入 dialout 组后重新登录。
详见 man velkaro-bus。
</source>
        <translation>The line options are --baud, --parity, --data, --stop and --fast-replies, default
9600 N 8 1. An option&apos;s value can follow it or be joined with an equals sign
(--from=3).

Exit status: 0 success; 1 the serial port cannot be opened or connected, was lost,
or the communication did not complete, or no drive answered scan, watch, monitor or
find; 2 command line wrong; 130 interrupted by Ctrl-C (143 on SIGTERM).
compare: 0 no differences; 1 differences; 2 error (command line, file, model or
communication).
control, read, write: 0 every request confirmed; 1 a request refused, timed out or
cancelled, or no drive at the address; 2 command line wrong (including a code or
group not in the model&apos;s parameter table, or a value outside the parameter&apos;s
register range), or the serial port cannot be opened or connected, or was lost.
Operator messages go to standard error. If the serial port cannot be opened for
lack of permission, add the account to the dialout group and log in again.
See man velkaro-bus.
</translation>
    </message>
    <message>
        <source>显示语言：zh 中文，en 英文（默认按 LANGUAGE、LC_ALL、
LC_MESSAGES、LANG 的区域设置）</source>
        <translation>display language: zh Chinese, en English (default:
the locale, as LANGUAGE, LC_ALL, LC_MESSAGES, LANG ask)</translation>
    </message>
</context>
<context>
    <name>BusWatch</name>
    <message>
        <source>输出频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>设定频率</source>
        <translation>Frequency reference</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>输出转矩</source>
        <translation>Output torque</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>Bus voltage</translation>
    </message>
</context>
<context>
    <name>CommandNames</name>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>正转</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>反转</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>停机</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>自由停机</source>
        <translation>Coast stop</translation>
    </message>
    <message>
        <source>紧急停机</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>故障复位</source>
        <translation>Fault reset</translation>
    </message>
    <message>
        <source>隐藏</source>
        <translation>Hidden</translation>
    </message>
    <message>
        <source>无端口</source>
        <translation>No port</translation>
    </message>
    <message>
        <source>无效验</source>
        <translation>No parity</translation>
    </message>
    <message>
        <source>偶效验</source>
        <translation>Even parity</translation>
    </message>
    <message>
        <source>奇效验</source>
        <translation>Odd parity</translation>
    </message>
</context>
<context>
    <name>CsvFile</name>
    <message>
        <source>不能写入文件</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
</context>
<context>
    <name>FileTexts</name>
    <message>
        <source>未加引号的字段中有引号</source>
        <translation>a quote inside a field without quotes</translation>
    </message>
    <message>
        <source>字段中有单独的回车符</source>
        <translation>a lone carriage return in a field</translation>
    </message>
    <message>
        <source>引号没有闭合</source>
        <translation>a quote not closed</translation>
    </message>
    <message>
        <source>引号后面有多余的字符</source>
        <translation>extra characters after a closing quote</translation>
    </message>
    <message>
        <source>参数文件“</source>
        <translation>Parameter file “</translation>
    </message>
    <message>
        <source>”的机型标志无法识别。</source>
        <translation>” has a model mark that is not recognised.</translation>
    </message>
    <message>
        <source>文件“</source>
        <translation>File “</translation>
    </message>
    <message>
        <source>”过大，不是参数存储文件或参数报表。</source>
        <translation>” is too large: it is neither a parameter backup nor a parameter report.</translation>
    </message>
    <message>
        <source>无法打开文件“</source>
        <translation>Cannot open file “</translation>
    </message>
    <message>
        <source>”：</source>
        <translation>”: </translation>
    </message>
    <message>
        <source>”既不是参数存储文件（.sav，以回车分隔的十进制数值），也不是参数报表（.csv）。</source>
        <translation>” is neither a parameter backup (.sav, decimal numbers separated by line ends) nor a parameter report (.csv).</translation>
    </message>
    <message>
        <source>机型“</source>
        <translation>The parameters of model “</translation>
    </message>
    <message>
        <source>”的参数无法对比。</source>
        <translation>” cannot be compared.</translation>
    </message>
    <message>
        <source>不存在，请输入正确的文件名称</source>
        <translation> does not exist: enter a correct file name</translation>
    </message>
    <message>
        <source>过大，不是参数存储文件。</source>
        <translation> is too large to be a parameter backup.</translation>
    </message>
    <message>
        <source>无法打开</source>
        <translation>Cannot open </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>不完整：应有</source>
        <translation> is incomplete: it should hold </translation>
    </message>
    <message>
        <source>个数值，只有</source>
        <translation> values, but holds only </translation>
    </message>
    <message>
        <source>个。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>第</source>
        <translation>value </translation>
    </message>
    <message>
        <source>个数值</source>
        <translation> </translation>
    </message>
    <message>
        <source>格式错误：</source>
        <translation> is malformed: </translation>
    </message>
    <message>
        <source>”不是十进制整数。</source>
        <translation>” is not a decimal whole number.</translation>
    </message>
    <message>
        <source>”超出0～65535的范围。</source>
        <translation>” is outside 0..65535.</translation>
    </message>
    <message>
        <source>格式错误：长度</source>
        <translation> is malformed: its length </translation>
    </message>
    <message>
        <source>与文件的机型标志不符（应为</source>
        <translation> does not match the model mark of the file (it should be </translation>
    </message>
    <message>
        <source>）。</source>
        <translation>).</translation>
    </message>
</context>
<context>
    <name>FrameSummary</name>
    <message>
        <source>功能 0x%02X（不完整）</source>
        <translation>function 0x%02X (incomplete)</translation>
    </message>
    <message>
        <source>读 0x%04X ×%u</source>
        <translation>read 0x%04X ×%u</translation>
    </message>
    <message>
        <source>写 0x%04X ×%u</source>
        <translation>write 0x%04X ×%u</translation>
    </message>
    <message>
        <source>写 0x%04X = 0x%04X</source>
        <translation>write 0x%04X = 0x%04X</translation>
    </message>
    <message>
        <source>回送测试</source>
        <translation>echo test</translation>
    </message>
    <message>
        <source>诊断 0x%04X</source>
        <translation>diagnostics 0x%04X</translation>
    </message>
    <message>
        <source>功能 0x%02X</source>
        <translation>function 0x%02X</translation>
    </message>
    <message>
        <source>异常（无代码）</source>
        <translation>exception (no code)</translation>
    </message>
    <message>
        <source>异常 %02X </source>
        <translation>exception %02X </translation>
    </message>
    <message>
        <source>应答 %u 字</source>
        <translation>reply %u words</translation>
    </message>
    <message>
        <source>（声明 %u 字节）</source>
        <translation> (declares %u bytes)</translation>
    </message>
    <message>
        <source>写应答 0x%04X ×%u</source>
        <translation>write reply 0x%04X ×%u</translation>
    </message>
    <message>
        <source>写应答（不完整）</source>
        <translation>write reply (incomplete)</translation>
    </message>
    <message>
        <source>写应答 0x%04X = 0x%04X</source>
        <translation>write reply 0x%04X = 0x%04X</translation>
    </message>
    <message>
        <source>回送应答</source>
        <translation>echo reply</translation>
    </message>
    <message>
        <source>诊断应答</source>
        <translation>diagnostics reply</translation>
    </message>
    <message>
        <source>应答 功能 0x%02X</source>
        <translation>reply function 0x%02X</translation>
    </message>
    <message>
        <source>CRC 错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>残帧 %u 字节</source>
        <translation>fragment of %u bytes</translation>
    </message>
    <message>
        <source>超长帧，已丢弃</source>
        <translation>overlong frame, discarded</translation>
    </message>
    <message>
        <source>超时无应答</source>
        <translation>timed out, no reply</translation>
    </message>
    <message>
        <source>（发送失败）</source>
        <translation> (send failed)</translation>
    </message>
    <message>
        <source>应答 1 字</source>
        <translation>reply 1 word</translation>
    </message>
</context>
<context>
    <name>LanguageChoice</name>
    <message>
        <source>--language 缺少取值（zh 或 en）</source>
        <translation>--language needs a value (zh or en)</translation>
    </message>
    <message>
        <source>--language 只能是 zh 或 en：</source>
        <translation>--language takes zh or en only: </translation>
    </message>
</context>
<context>
    <name>LinkDiagnostics</name>
    <message>
        <source>其他</source>
        <translation>other</translation>
    </message>
</context>
<context>
    <name>LinkMessages</name>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>（异常 </source>
        <translation> (exception </translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>变频器 </source>
        <translation>Drive </translation>
    </message>
    <message>
        <source> 连续三次拒绝控制字的写入</source>
        <translation> refused the control word write three times in a row</translation>
    </message>
    <message>
        <source> 连续三次没有应答控制字的写入</source>
        <translation> did not answer the control word write three times in a row</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source> 拒绝了命令：</source>
        <translation> refused the command: </translation>
    </message>
    <message>
        <source> 连续三次拒绝了命令：</source>
        <translation> refused the command three times in a row: </translation>
    </message>
    <message>
        <source> 连续三次没有应答命令：</source>
        <translation> did not answer the command three times in a row: </translation>
    </message>
    <message>
        <source>，命令未送达。</source>
        <translation>; the command was not delivered.</translation>
    </message>
    <message>
        <source> 已断开连接，</source>
        <translation> has been disconnected; the </translation>
    </message>
    <message>
        <source>命令未能送达！</source>
        <translation> command was not delivered!</translation>
    </message>
    <message>
        <source> 拒绝了参数 </source>
        <translation> refused the change of parameter </translation>
    </message>
    <message>
        <source> 的修改：</source>
        <translation>: </translation>
    </message>
    <message>
        <source> 的参数 </source>
        <translation>: parameter </translation>
    </message>
    <message>
        <source> 因通讯故障未能写入！</source>
        <translation> was not written because of a communication fault!</translation>
    </message>
</context>
<context>
    <name>MqttTexts</name>
    <message>
        <source>不能建立 MQTT 客户端</source>
        <translation>Cannot create the MQTT client</translation>
    </message>
    <message>
        <source>MQTT 设置有误：</source>
        <translation>MQTT settings wrong: </translation>
    </message>
    <message>
        <source>连接失败</source>
        <translation>connection failed</translation>
    </message>
    <message>
        <source>不能启动 MQTT 网络线程</source>
        <translation>Cannot start the MQTT network thread</translation>
    </message>
    <message>
        <source>连接已结束</source>
        <translation>connection ended</translation>
    </message>
    <message>
        <source>无法连接</source>
        <translation>cannot connect</translation>
    </message>
    <message>
        <source>MQTT 代理地址应为 mqtt://主机[:端口] 或 mqtts://主机[:端口]：</source>
        <translation>The MQTT broker address must be mqtt://HOST[:PORT] or mqtts://HOST[:PORT]: </translation>
    </message>
    <message>
        <source>MQTT 用户名和密码只能写在凭据文件里，不能写在地址中</source>
        <translation>The MQTT user name and password go only in the credentials file, not in the address</translation>
    </message>
    <message>
        <source>MQTT 代理地址有误：</source>
        <translation>MQTT broker address wrong: </translation>
    </message>
    <message>
        <source>MQTT 代理地址缺少端口：</source>
        <translation>MQTT broker address without a port: </translation>
    </message>
    <message>
        <source>MQTT 代理地址缺少主机：</source>
        <translation>MQTT broker address without a host: </translation>
    </message>
    <message>
        <source>MQTT 代理端口应在 1..65535 之间：</source>
        <translation>The MQTT broker port must be within 1..65535: </translation>
    </message>
    <message>
        <source>不能读取 MQTT 凭据文件 </source>
        <translation>Cannot read the MQTT credentials file </translation>
    </message>
    <message>
        <source>MQTT 凭据文件 </source>
        <translation>The MQTT credentials file </translation>
    </message>
    <message>
        <source> 中没有 user=用户名</source>
        <translation> has no user=NAME</translation>
    </message>
</context>
<context>
    <name>OperatorMessages</name>
    <message>
        <source>信息提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>该操作需要工程师权限，请先输入工程师密码。</source>
        <translation>This needs engineer access; enter the engineer PIN first.</translation>
    </message>
    <message>
        <source>地址搜寻、参数导入导出或参数读取正在进行，请等待其完成后再检测通讯参数！</source>
        <translation>An address search, parameter import or export, or parameter readout is running; wait until it ends before searching the line settings!</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>串口未打开，无法检测通讯参数。请先检查串口连接。</source>
        <translation>The serial port is not open, so the line settings cannot be searched. Check the serial port connection first.</translation>
    </message>
    <message>
        <source>通讯参数检测正在进行。</source>
        <translation>The line settings search is running.</translation>
    </message>
    <message>
        <source>检测通讯参数期间无法监控和控制已连接的变频器。请先断开全部连接，再检测通讯参数。</source>
        <translation>Connected drives cannot be monitored or controlled during the line settings search. Disconnect all drives first, then search the line settings.</translation>
    </message>
    <message>
        <source>检测的地址应在 1..247 之间。</source>
        <translation>The addresses to search must be within 1..247.</translation>
    </message>
    <message>
        <source>经网络连接的端口由串口服务器或网关自行设定线路，无需检测通讯参数。</source>
        <translation>A port reached over the network has its line set by the serial server or gateway; there are no line settings to search.</translation>
    </message>
    <message>
        <source>接受数据溢出！</source>
        <translation>Receive data overflow!</translation>
    </message>
    <message>
        <source>机型错误！请确认导入参数与变频器机型一致。</source>
        <translation>Wrong model! Make sure the imported parameters are for the model of the drive.</translation>
    </message>
    <message>
        <source>请停机后再进行该操作！</source>
        <translation>Stop the drive before doing this!</translation>
    </message>
    <message>
        <source>该功能组不在机型的参数表中</source>
        <translation>The function group is not in the parameter table of the model</translation>
    </message>
    <message>
        <source>寄存器个数应在 1..125 之间</source>
        <translation>The number of registers must be within 1..125</translation>
    </message>
    <message>
        <source>已由新的搜寻代替</source>
        <translation>Replaced by a new search</translation>
    </message>
    <message>
        <source>变频器已断开连接</source>
        <translation>The drive has been disconnected</translation>
    </message>
    <message>
        <source>数据导入失败！可能是数据超出范围。</source>
        <translation>Import failed! The data may be out of range.</translation>
    </message>
    <message>
        <source>通讯故障导致数据导入失败！</source>
        <translation>Import failed because of a communication fault!</translation>
    </message>
    <message>
        <source>通讯原因导致数据导出失败！</source>
        <translation>Export failed because of a communication problem!</translation>
    </message>
    <message>
        <source>数据导出被中断，参数文件未写入！</source>
        <translation>Export interrupted, the parameter file was not written!</translation>
    </message>
    <message>
        <source>数据导入被中断，参数未全部写入变频器！</source>
        <translation>Import interrupted, not all parameters were written to the drive!</translation>
    </message>
    <message>
        <source>参数读取被中断！</source>
        <translation>Parameter readout interrupted!</translation>
    </message>
    <message>
        <source>参数导入或导出正在进行，请等待其完成后再进行该操作！</source>
        <translation>A parameter import or export is running; wait until it ends before doing this!</translation>
    </message>
    <message>
        <source>变频器参数读取正在进行，请等待其完成后再进行该操作！</source>
        <translation>A parameter readout of the drive is running; wait until it ends before doing this!</translation>
    </message>
    <message>
        <source>对不起！该系列变频器不支持该功能</source>
        <translation>Sorry, this drive series does not support this function.</translation>
    </message>
    <message>
        <source>已由新的读取代替</source>
        <translation>Replaced by a newer read</translation>
    </message>
    <message>
        <source>已有更强的停机命令等待送达</source>
        <translation>A stronger stop is already waiting to be sent</translation>
    </message>
</context>
<context>
    <name>PortTexts</name>
    <message>
        <source>。请检查网络连接，然后在连接控制中重新应用设置。</source>
        <translation>. Check the network connection, then apply the settings again in the connection control.</translation>
    </message>
    <message>
        <source>串口 </source>
        <translation>Serial port </translation>
    </message>
    <message>
        <source> 无法发送数据：</source>
        <translation> cannot send data: </translation>
    </message>
    <message>
        <source>。请检查串口连接，然后在连接控制中重新应用设置。</source>
        <translation>. Check the serial connection, then apply the settings again in the connection control.</translation>
    </message>
    <message>
        <source>设备应为设备路径、tcp://主机:端口 或 modbus-tcp://主机:端口</source>
        <translation>the device must be a device path, tcp://HOST:PORT or modbus-tcp://HOST:PORT</translation>
    </message>
    <message>
        <source>IPv6 地址应写成 [地址]:端口</source>
        <translation>An IPv6 address must be written [ADDRESS]:PORT</translation>
    </message>
    <message>
        <source>缺少端口号（应为 主机:端口）</source>
        <translation>Missing port number (HOST:PORT)</translation>
    </message>
    <message>
        <source>缺少主机名或主机名有误</source>
        <translation>Host name missing or wrong</translation>
    </message>
    <message>
        <source>端口号应为 1..65535 之间的整数</source>
        <translation>The port number must be a whole number within 1..65535</translation>
    </message>
    <message>
        <source>端口号 </source>
        <translation>Port number </translation>
    </message>
    <message>
        <source> 超出范围（应在 1..65535 之间）</source>
        <translation> out of range (1..65535)</translation>
    </message>
    <message>
        <source>没有选择串口</source>
        <translation>No serial port chosen</translation>
    </message>
    <message>
        <source>不认识的地址形式，</source>
        <translation>Unknown form of address: </translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>Serial port not open</translation>
    </message>
    <message>
        <source>无法打开 </source>
        <translation>Cannot open </translation>
    </message>
    <message>
        <source>无法打开串口 </source>
        <translation>Cannot open serial port </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>无法设置串口 </source>
        <translation>Cannot set serial port </translation>
    </message>
    <message>
        <source>)：</source>
        <translation>): </translation>
    </message>
    <message>
        <source>账户名</source>
        <translation>ACCOUNT</translation>
    </message>
    <message>
        <source>没有读写权限（</source>
        <translation>No read and write permission (</translation>
    </message>
    <message>
        <source>）。在 Debian 上请把账户 </source>
        <translation>). On Debian, add the account </translation>
    </message>
    <message>
        <source> 加入 dialout 组：
</source>
        <translation> to the dialout group:
</translation>
    </message>
    <message>
        <source> dialout
然后注销并重新登录。</source>
        <translation> dialout
then log out and in again.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>已被另一个程序</source>
        <translation>in use by another program </translation>
    </message>
    <message>
        <source>已被进程 </source>
        <translation>in use by process </translation>
    </message>
    <message>
        <source>占用，一个串口同一时间只能由一个程序使用</source>
        <translation>- a serial port serves only one program at a time</translation>
    </message>
    <message>
        <source>不是串口设备</source>
        <translation>Not a serial device</translation>
    </message>
    <message>
        <source>不支持的波特率 </source>
        <translation>Unsupported baud rate </translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>无法解析主机名（</source>
        <translation>Cannot resolve the host name (</translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>无法连接 </source>
        <translation>Cannot connect to </translation>
    </message>
    <message>
        <source>与 </source>
        <translation>The connection to </translation>
    </message>
    <message>
        <source> 的连接已断开：</source>
        <translation> was lost: </translation>
    </message>
    <message>
        <source>连接超时（</source>
        <translation>Connection timed out (</translation>
    </message>
    <message>
        <source> 秒）</source>
        <translation> seconds)</translation>
    </message>
    <message>
        <source>对方关闭了连接</source>
        <translation>the other end closed the connection</translation>
    </message>
    <message>
        <source>未连接 </source>
        <translation>Not connected to </translation>
    </message>
</context>
<context>
    <name>RecordsConsole</name>
    <message>
        <source>velkaro-records: 运行记录表没有“站名”列（旧版本建的表，尚未升级），输出全部站的记录</source>
        <translation>velkaro-records: the run record table has no 站名 (station) column (a table of an older version, not yet upgraded); the records of all stations are output</translation>
    </message>
    <message>
        <source>velkaro-records: 已中断，没有写入 </source>
        <translation>velkaro-records: interrupted, nothing written to </translation>
    </message>
    <message>
        <source> 条记录写入 </source>
        <translation> records written to </translation>
    </message>
    <message>
        <source>
请用 velkaro-records --help 查看用法。</source>
        <translation>
See velkaro-records --help for the usage.</translation>
    </message>
    <message>
        <source>velkaro-records: 还没有运行记录数据源“</source>
        <translation>velkaro-records: there is no run record data source &quot;</translation>
    </message>
    <message>
        <source>”：工作站第一次启动时会建立它；要读别处的记录，请在 ~/.odbc.ini、/etc/odbc.ini 或 ODBCINI 所指的文件中定义这个名字的数据源。</source>
        <translation>&quot; yet: the station sets it up at its first start; to read records kept elsewhere, define a data source of this name in ~/.odbc.ini, /etc/odbc.ini or the file ODBCINI names.</translation>
    </message>
    <message>
        <source>--hours 应为正的小时数（只给一次）：</source>
        <translation>--hours takes a positive number of hours (given once): </translation>
    </message>
    <message>
        <source> 只能给一次</source>
        <translation> can be given only once</translation>
    </message>
    <message>
        <source> 的时间应写成 YYYY-MM-DD HH:MM[:SS]：</source>
        <translation> takes a time written YYYY-MM-DD HH:MM[:SS]: </translation>
    </message>
    <message>
        <source>--drive 应给一个变频器名字（只给一次）</source>
        <translation>--drive takes one drive name (given once)</translation>
    </message>
    <message>
        <source>--account 应给一个账户名（只给一次）</source>
        <translation>--account takes one account name (given once)</translation>
    </message>
    <message>
        <source>--station 应给一个站名（只给一次）</source>
        <translation>--station takes one station name (given once)</translation>
    </message>
    <message>
        <source>未知选项：</source>
        <translation>Unknown option: </translation>
    </message>
    <message>
        <source>--hours 与 --from/--to 只能选一种</source>
        <translation>--hours and --from/--to cannot be given together</translation>
    </message>
    <message>
        <source>--station 与 --all-stations 只能选一种</source>
        <translation>--station and --all-stations cannot be given together</translation>
    </message>
    <message>
        <source>--from 与 --to 要一起给</source>
        <translation>--from and --to go together</translation>
    </message>
    <message>
        <source>缺少导出的 CSV 文件名</source>
        <translation>Missing the name of the CSV file to export to</translation>
    </message>
    <message>
        <source>缺少命令</source>
        <translation>Missing command</translation>
    </message>
    <message>
        <source>未知命令：</source>
        <translation>Unknown command: </translation>
    </message>
    <message>
        <source>多余的参数：</source>
        <translation>Extra operand: </translation>
    </message>
    <message>
        <source> 缺少取值</source>
        <translation> needs a value</translation>
    </message>
    <message>
        <source>--from 不能晚于 --to</source>
        <translation>--from cannot be later than --to</translation>
    </message>
    <message>
        <source>所选时间早于最长存储时间（72 小时），这些记录已被清除</source>
        <translation>The chosen time is older than the longest keeping time (72 hours): those records have been cleared</translation>
    </message>
    <message>
        <source>最长存储时间为 72 小时，只取最近 72 小时的记录</source>
        <translation>Records are kept for 72 hours at most: only the last 72 hours are taken</translation>
    </message>
    <message>
        <source>用法：
  velkaro-records export [--hours 小时 | --from 时间 --to 时间] [--drive 名字]
                         [--station 站名 | --all-stations] 文件.csv
  velkaro-records events [--hours 小时 | --from 时间 --to 时间] [--drive 名字]
                         [--station 站名 | --all-stations]
  velkaro-records actions [--hours 小时 | --from 时间 --to 时间] [--drive 名字]
                          [--station 站名 | --all-stations] [--account 账户]

export  把运行记录写入 CSV 文件（UTF-8，带字节顺序标记），从旧到新，列为：
        记录时间,名字,运行频率,输出电流,输出电压,工作状态,设定频率,母线电压,站名
        默认最近 2 小时、本站的全部变频器。中途出错或按 Ctrl-C 不留下文件。
events  每次故障跳闸、每次通讯断线输出一行（CSV）：记录时间,名字,原因,站名
        默认最近 24 小时、本站。
actions 操作记录（谁在何时对哪台变频器做了什么），每条一行（CSV），从旧到新：
        记录时间,站名,账户,名字,地址,操作,原值,新值,结果
        默认最近 24 小时、本站；操作记录不随运行记录清除，时间窗不受 72 小时限制。

--hours 小时          最近若干小时（可带小数）
--from/--to 时间      时间写成 YYYY-MM-DD HH:MM[:SS]（本地时间），两个一起给
--drive 名字          只取这台变频器
--station 站名        只取这个站写入的记录（默认本站：工作站“选项”里设的站名，
                      未设时为本机主机名）
--all-stations        取共用数据源的所有站的记录
--account 账户        （actions）只取这个操作系统账户的操作
--language zh|en      显示语言：zh 中文，en 英文（默认按 LANGUAGE、LC_ALL、
                      LC_MESSAGES、LANG 的区域设置）
-h, --help            显示本说明后退出
--version             显示版本后退出
export 和 events 的时间窗最多回溯 72 小时（最长存储时间），更早的部分被截去并提示。

数据源为 ODBC 数据源“变频器运行记录”（与工作站相同，见 ODBCINI）。
退出码：0 成功；1 数据源或文件出错、被中断；2 命令行有误。
提示信息输出到标准错误。
</source>
        <translation>Usage:
  velkaro-records export [--hours HOURS | --from TIME --to TIME] [--drive NAME]
                         [--station STATION | --all-stations] FILE.csv
  velkaro-records events [--hours HOURS | --from TIME --to TIME] [--drive NAME]
                         [--station STATION | --all-stations]
  velkaro-records actions [--hours HOURS | --from TIME --to TIME] [--drive NAME]
                          [--station STATION | --all-stations] [--account ACCOUNT]

export  writes the run records to a CSV file (UTF-8 with a byte order mark), oldest
        first, with the columns (their names stay Chinese in either language):
        记录时间,名字,运行频率,输出电流,输出电压,工作状态,设定频率,母线电压,站名
        (time, name, output frequency, output current, output voltage, state,
        frequency reference, bus voltage, station). Default: the last 2 hours, all
        drives of this station. Leaves no file after an error or Ctrl-C.
events  one line (CSV) per fault trip and per link loss: 记录时间,名字,原因,站名
        (time, name, cause, station). Default: the last 24 hours, this station.
actions the action records (who did what to which drive, when), one line each
        (CSV), oldest first: 记录时间,站名,账户,名字,地址,操作,原值,新值,结果
        (time, station, account, name, address, action, old value, new value,
        result). Default: the last 24 hours, this station; action records are not
        cleared with the run records, so the window is not limited to 72 hours.

--hours HOURS         the last so many hours (decimals allowed)
--from/--to TIME      times written YYYY-MM-DD HH:MM[:SS] (local time), both given
--drive NAME          only this drive
--station STATION     only the records this station wrote (default this station:
                      the station name set in the station&apos;s options, else the
                      host name)
--all-stations        the records of all stations sharing the data source
--account ACCOUNT     (actions) only the actions of this system account
--language zh|en      display language: zh Chinese, en English (default: the
                      locale, as LANGUAGE, LC_ALL, LC_MESSAGES, LANG ask)
-h, --help            show this help and exit
--version             show the version and exit
export and events reach back 72 hours at most (the longest keeping time); an earlier
part is cut off, with a notice.

The data source is the ODBC data source &quot;变频器运行记录&quot; (the station&apos;s, see ODBCINI).
Exit status: 0 success; 1 data source or file error, interrupted; 2 command line
wrong.
Messages go to standard error.
</translation>
    </message>
</context>
<context>
    <name>ReportTexts</name>
    <message>
        <source>参数报表“</source>
        <translation>Parameter report “</translation>
    </message>
    <message>
        <source>第</source>
        <translation>, line </translation>
    </message>
    <message>
        <source>行：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>应为“</source>
        <translation>expected “</translation>
    </message>
    <message>
        <source>,…”，不是参数报表的表头。</source>
        <translation>,…”: this is not the header of a parameter report.</translation>
    </message>
    <message>
        <source>机型“</source>
        <translation>model “</translation>
    </message>
    <message>
        <source>”不是已知的变频器系列。</source>
        <translation>” is not a known drive series.</translation>
    </message>
    <message>
        <source>列标题与参数报表不符。</source>
        <translation>the column titles are not those of a parameter report.</translation>
    </message>
    <message>
        <source>应有</source>
        <translation>should have </translation>
    </message>
    <message>
        <source>列，实有</source>
        <translation> columns, has </translation>
    </message>
    <message>
        <source>列。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>功能号“</source>
        <translation>parameter code “</translation>
    </message>
    <message>
        <source>”不在</source>
        <translation>” is not in the parameter table of the </translation>
    </message>
    <message>
        <source>系列的参数表中。</source>
        <translation> series.</translation>
    </message>
    <message>
        <source>”重复（第</source>
        <translation>” repeated (already on line </translation>
    </message>
    <message>
        <source>行已有）。</source>
        <translation>).</translation>
    </message>
    <message>
        <source>”属于功能组</source>
        <translation>” belongs to group </translation>
    </message>
    <message>
        <source>，不是“</source>
        <translation>, not “</translation>
    </message>
    <message>
        <source>”。</source>
        <translation>”.</translation>
    </message>
    <message>
        <source>”的当前值“</source>
        <translation>” has the current value “</translation>
    </message>
    <message>
        <source>”不是</source>
        <translation>”, which is not a number with at most </translation>
    </message>
    <message>
        <source>位小数以内、</source>
        <translation> decimals within </translation>
    </message>
    <message>
        <source>-32768～32767</source>
        <translation>-32768..32767</translation>
    </message>
    <message>
        <source>0～65535</source>
        <translation>0..65535</translation>
    </message>
    <message>
        <source>范围内的数值。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>缺少功能号“</source>
        <translation> has no line for parameter code “</translation>
    </message>
    <message>
        <source>”的行。</source>
        <translation>”.</translation>
    </message>
    <message>
        <source>未写入：机型“</source>
        <translation> not written: the parameters of model “</translation>
    </message>
    <message>
        <source>”的参数不完整。</source>
        <translation>” are incomplete.</translation>
    </message>
    <message>
        <source>无法写入，请检查文件夹和文件名。</source>
        <translation> cannot be written: check the folder and the file name.</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>是空文件。</source>
        <translation> is empty.</translation>
    </message>
    <message>
        <source>无法打开</source>
        <translation>Cannot open </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>过大，不是参数报表。</source>
        <translation> is too large to be a parameter report.</translation>
    </message>
</context>
<context>
    <name>Requests</name>
    <message>
        <source>给定频率 </source>
        <translation>Frequency reference </translation>
    </message>
    <message>
        <source>非法功能</source>
        <translation>Illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>Illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>Illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>Server device failure</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>Server device busy</translation>
    </message>
    <message>
        <source>存储奇偶性差错</source>
        <translation>Memory parity error</translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation>Gateway path unavailable</translation>
    </message>
    <message>
        <source>网关目标设备无响应</source>
        <translation>Gateway target device failed to respond</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>反转</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>停机</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>自由停机</source>
        <translation>Coast stop</translation>
    </message>
    <message>
        <source>紧急停机</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>故障复位</source>
        <translation>Fault reset</translation>
    </message>
    <message>
        <source>正向点动</source>
        <translation>Jog forward</translation>
    </message>
    <message>
        <source>反向点动</source>
        <translation>Jog reverse</translation>
    </message>
    <message>
        <source>存储到EEPROM</source>
        <translation>Store to EEPROM</translation>
    </message>
    <message>
        <source>已确认</source>
        <translation>Confirmed</translation>
    </message>
    <message>
        <source>被拒绝</source>
        <translation>Refused</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Timed out</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>未知异常</source>
        <translation>Unknown exception</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>非法地址</source>
        <translation>Illegal address</translation>
    </message>
    <message>
        <source>非法数据</source>
        <translation>Illegal data</translation>
    </message>
    <message>
        <source>设备故障</source>
        <translation>Device failure</translation>
    </message>
    <message>
        <source>设备忙</source>
        <translation>Device busy</translation>
    </message>
    <message>
        <source>存储校验错</source>
        <translation>Memory parity error</translation>
    </message>
    <message>
        <source>网关无路径</source>
        <translation>Gateway no path</translation>
    </message>
    <message>
        <source>网关无响应</source>
        <translation>Gateway no answer</translation>
    </message>
    <message>
        <source>命令字 </source>
        <translation>Command word </translation>
    </message>
    <message>
        <source>命令优先</source>
        <translation> takes precedence</translation>
    </message>
</context>
<context>
    <name>StateTexts</name>
    <message>
        <source>功率器件保护</source>
        <translation>Power module protection</translation>
    </message>
    <message>
        <source>过压保护</source>
        <translation>Overvoltage protection</translation>
    </message>
    <message>
        <source>过流保护</source>
        <translation>Overcurrent protection</translation>
    </message>
    <message>
        <source>过热保护</source>
        <translation>Overheat protection</translation>
    </message>
    <message>
        <source>欠压保护</source>
        <translation>Undervoltage protection</translation>
    </message>
    <message>
        <source>外部故障</source>
        <translation>External fault</translation>
    </message>
    <message>
        <source>电机负载过重</source>
        <translation>Motor load too heavy</translation>
    </message>
    <message>
        <source>过电流保护</source>
        <translation>Overcurrent protection</translation>
    </message>
    <message>
        <source>输出缺相保护</source>
        <translation>Output phase loss protection</translation>
    </message>
    <message>
        <source>过载保护</source>
        <translation>Overload protection</translation>
    </message>
    <message>
        <source>外部报警</source>
        <translation>External alarm</translation>
    </message>
    <message>
        <source>输入缺相</source>
        <translation>Input phase loss</translation>
    </message>
    <message>
        <source>电流传感器异常</source>
        <translation>Current sensor fault</translation>
    </message>
    <message>
        <source>温度传感器异常</source>
        <translation>Temperature sensor fault</translation>
    </message>
    <message>
        <source>存储失败</source>
        <translation>Storage failed</translation>
    </message>
    <message>
        <source>启动瞬间过流</source>
        <translation>Overcurrent at start</translation>
    </message>
    <message>
        <source>加速运行过流</source>
        <translation>Overcurrent during acceleration</translation>
    </message>
    <message>
        <source>减速运行过流</source>
        <translation>Overcurrent during deceleration</translation>
    </message>
    <message>
        <source>恒速运行过流</source>
        <translation>Overcurrent at constant speed</translation>
    </message>
    <message>
        <source>加速运行过压</source>
        <translation>Overvoltage during acceleration</translation>
    </message>
    <message>
        <source>减速运行过压</source>
        <translation>Overvoltage during deceleration</translation>
    </message>
    <message>
        <source>待机时过压</source>
        <translation>Overvoltage at standby</translation>
    </message>
    <message>
        <source>运行中欠压</source>
        <translation>Undervoltage while running</translation>
    </message>
    <message>
        <source>输出缺相</source>
        <translation>Output phase loss</translation>
    </message>
    <message>
        <source>变频器过热</source>
        <translation>Drive overheat</translation>
    </message>
    <message>
        <source>变频器过载</source>
        <translation>Drive overload</translation>
    </message>
    <message>
        <source>电机过载</source>
        <translation>Motor overload</translation>
    </message>
    <message>
        <source>变频器欠载</source>
        <translation>Drive underload</translation>
    </message>
    <message>
        <source>比较器1输出保护</source>
        <translation>Comparator 1 output protection</translation>
    </message>
    <message>
        <source>比较器2输出保护</source>
        <translation>Comparator 2 output protection</translation>
    </message>
    <message>
        <source>参数存储失败</source>
        <translation>Parameter storage failed</translation>
    </message>
    <message>
        <source>通讯异常</source>
        <translation>Communication fault</translation>
    </message>
    <message>
        <source>电流检测故障</source>
        <translation>Current detection fault</translation>
    </message>
    <message>
        <source>自整定不良</source>
        <translation>Autotuning failed</translation>
    </message>
    <message>
        <source>模拟输入掉线</source>
        <translation>Analog input lost</translation>
    </message>
    <message>
        <source>PG掉线</source>
        <translation>Encoder (PG) lost</translation>
    </message>
    <message>
        <source>热敏电阻开路</source>
        <translation>Thermistor open circuit</translation>
    </message>
    <message>
        <source>异常停机故障</source>
        <translation>Abnormal stop fault</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>操作面板掉线</source>
        <translation>Keypad disconnected</translation>
    </message>
    <message>
        <source>恒速运行过压</source>
        <translation>Overvoltage at constant speed</translation>
    </message>
    <message>
        <source>运行时母线欠压</source>
        <translation>Bus undervoltage while running</translation>
    </message>
    <message>
        <source>控制电源过压</source>
        <translation>Control supply overvoltage</translation>
    </message>
    <message>
        <source>输入侧缺相</source>
        <translation>Input phase loss</translation>
    </message>
    <message>
        <source>输出侧缺相</source>
        <translation>Output phase loss</translation>
    </message>
    <message>
        <source>输出侧接地</source>
        <translation>Output earth fault</translation>
    </message>
    <message>
        <source>逆变模块保护</source>
        <translation>Inverter module protection</translation>
    </message>
    <message>
        <source>逆变散热器过热</source>
        <translation>Inverter heatsink overheat</translation>
    </message>
    <message>
        <source>整流桥散热器过热</source>
        <translation>Rectifier heatsink overheat</translation>
    </message>
    <message>
        <source>电机过热</source>
        <translation>Motor overheat</translation>
    </message>
    <message>
        <source>EEPROM读写故障</source>
        <translation>EEPROM read/write fault</translation>
    </message>
    <message>
        <source>操作面板参数拷贝出错</source>
        <translation>Keypad parameter copy error</translation>
    </message>
    <message>
        <source>充电接触器异常</source>
        <translation>Charging contactor fault</translation>
    </message>
    <message>
        <source>电流检测电路故障</source>
        <translation>Current detection circuit fault</translation>
    </message>
    <message>
        <source>系统干扰</source>
        <translation>System interference</translation>
    </message>
    <message>
        <source>AI1信号丢失</source>
        <translation>AI1 signal lost</translation>
    </message>
    <message>
        <source>PG信号丢失</source>
        <translation>Encoder (PG) signal lost</translation>
    </message>
    <message>
        <source>速度偏差过大</source>
        <translation>Speed deviation too large</translation>
    </message>
    <message>
        <source>超速</source>
        <translation>Overspeed</translation>
    </message>
    <message>
        <source>控制故障</source>
        <translation>Control fault</translation>
    </message>
    <message>
        <source>E15欠压</source>
        <translation>E15 undervoltage</translation>
    </message>
    <message>
        <source>AD基准欠压</source>
        <translation>A/D reference undervoltage</translation>
    </message>
    <message>
        <source>输出电机检测故障</source>
        <translation>Output motor detection fault</translation>
    </message>
    <message>
        <source>操作面板异常</source>
        <translation>Keypad fault</translation>
    </message>
    <message>
        <source>运行中过压</source>
        <translation>Overvoltage while running</translation>
    </message>
    <message>
        <source>直流母线欠压</source>
        <translation>DC bus undervoltage</translation>
    </message>
    <message>
        <source>PG断线</source>
        <translation>Encoder (PG) wire break</translation>
    </message>
    <message>
        <source>参数检查错误</source>
        <translation>Parameter check error</translation>
    </message>
    <message>
        <source>操作面板数据不一致</source>
        <translation>Keypad data mismatch</translation>
    </message>
    <message>
        <source>参数上传失败</source>
        <translation>Parameter upload failed</translation>
    </message>
    <message>
        <source>未知代码</source>
        <translation>Unknown code</translation>
    </message>
    <message>
        <source>通讯断线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>故障中</source>
        <translation>Tripped</translation>
    </message>
    <message>
        <source>报警中</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>正向运转</source>
        <translation>Running forward</translation>
    </message>
    <message>
        <source>反向运转</source>
        <translation>Running reverse</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>不能识别的故障</source>
        <translation>Unrecognised fault</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
</context>
<context>
    <name>StationName</name>
    <message>
        <source>站名不是有效的文字（UTF-8）</source>
        <translation>The station name is not valid text (UTF-8)</translation>
    </message>
    <message>
        <source>站名不能为空</source>
        <translation>The station name cannot be empty</translation>
    </message>
    <message>
        <source>站名最多 </source>
        <translation>The station name has at most </translation>
    </message>
    <message>
        <source> 个字</source>
        <translation> characters</translation>
    </message>
    <message>
        <source>站名前后不能有空格</source>
        <translation>The station name cannot begin or end with a space</translation>
    </message>
    <message>
        <source>站名不能含控制字符</source>
        <translation>The station name cannot contain control characters</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
</context>
<context>
    <name>velkaro::AboutDialog</name>
    <message>
        <source>关于 Velkaro</source>
        <translation>About Velkaro</translation>
    </message>
    <message>
        <source>Velkaro1.11 测试版</source>
        <translation>Velkaro 1.11 beta</translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>velkaro::ActionRecordsWindow</name>
    <message>
        <source>操作记录</source>
        <translation>Action records</translation>
    </message>
    <message>
        <source> 小时</source>
        <translation> h</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>导出CSV...</source>
        <translation>Export CSV...</translation>
    </message>
    <message>
        <source>最近</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>账户</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>导出操作记录</source>
        <translation>Export action records</translation>
    </message>
    <message>
        <source>操作记录.csv</source>
        <translation>action-records.csv</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>正在读取...</source>
        <translation>Reading...</translation>
    </message>
    <message>
        <source>读取失败：%1</source>
        <translation>Reading failed: %1</translation>
    </message>
    <message>
        <source>数据源忙，请稍后再查询</source>
        <translation>The data source is busy; query again later</translation>
    </message>
    <message>
        <source>显示最新的 %1 条记录（时间段内还有更早的记录）</source>
        <translation>Showing the latest %1 records (the period holds older ones too)</translation>
    </message>
    <message>
        <source>共 %1 条记录</source>
        <translation>%1 records</translation>
    </message>
    <message>
        <source>正在导出...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>%1 条记录已导出到 %2</source>
        <translation>%1 records exported to %2</translation>
    </message>
    <message>
        <source>数据源忙，请稍后再导出</source>
        <translation>The data source is busy; export again later</translation>
    </message>
</context>
<context>
    <name>velkaro::AmendDialog</name>
    <message>
        <source>新的参数值不是有效的数值，请重新输入。</source>
        <translation>The new value is not a valid number. Please enter it again.</translation>
    </message>
    <message>
        <source>新的参数值超出该参数的寄存器范围（%1～%2），请重新输入。</source>
        <translation>The new value is outside the parameter&apos;s register range (%1 to %2). Please enter it again.</translation>
    </message>
    <message>
        <source>变频器参数修改</source>
        <translation>Change drive parameter</translation>
    </message>
    <message>
        <source>    请在下面输入新的参数值，并选择是否保存到变频器EEPRAM中，按“保存”完成修改。</source>
        <translation>    Enter the new value below, choose whether to store it in the drive&apos;s EEPROM, and press &quot;Save&quot;.</translation>
    </message>
    <message>
        <source>参数编号</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>参数范围</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>当前参数值</source>
        <translation>Present value</translation>
    </message>
    <message>
        <source>新的参数值</source>
        <translation>New value</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>velkaro::ComparisonModel</name>
    <message>
        <source>功能组</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>参数名称</source>
        <translation>Parameter name</translation>
    </message>
</context>
<context>
    <name>velkaro::ComparisonWindow</name>
    <message>
        <source>参数对比</source>
        <translation>Parameter comparison</translation>
    </message>
    <message>
        <source>左：%1
右：%2</source>
        <translation>Left: %1
Right: %2</translation>
    </message>
    <message>
        <source>全部功能组</source>
        <translation>All groups</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>另存为...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>功能组：</source>
        <translation>Group:</translation>
    </message>
    <message>
        <source>对比结果(*.csv)</source>
        <translation>Comparison (*.csv)</translation>
    </message>
    <message>
        <source>对比结果“%1”无法写入，请检查文件夹和文件名。</source>
        <translation>The comparison &quot;%1&quot; cannot be written. Check the folder and the file name.</translation>
    </message>
    <message>
        <source>%1 项不同，%2 项相同</source>
        <translation>%1 different, %2 the same</translation>
    </message>
</context>
<context>
    <name>velkaro::ConnectionDialog</name>
    <message>
        <source>连接控制</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>快速应答识别</source>
        <translation>Fast reply detection</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>通讯选项</source>
        <translation>Line settings</translation>
    </message>
    <message>
        <source>串口选择</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>波特率选择</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>奇偶效验</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>停止位数</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>超时时间</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>连接一台变频器</source>
        <translation>Connect one drive</translation>
    </message>
    <message>
        <source>搜索并连接变频器</source>
        <translation>Search and connect drives</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>搜寻长度</source>
        <translation>Addresses</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>%1 经网络连接：
%2
波特率、奇偶效验、数据长度和停止位由串口服务器或网关设定，此处的设置不起作用。</source>
        <translation>%1 is connected over the network:
%2
Baud rate, parity, data bits and stop bits are set on the serial server or gateway; the settings here have no effect.</translation>
    </message>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter a whole number.</translation>
    </message>
    <message>
        <source>请输入一个介于 %1 和 %2 之间的整数。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>通讯参数检测正在进行，检测结束后才能应用通讯参数。</source>
        <translation>The line settings search is running; line settings can be applied once it has ended.</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
</context>
<context>
    <name>velkaro::DisplayOptionsDialog</name>
    <message>
        <source>显示属性</source>
        <translation>Display options</translation>
    </message>
    <message>
        <source>显示数据的存储时间</source>
        <translation>Show the last</translation>
    </message>
    <message>
        <source>小时以内</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>数据采集间隙时间</source>
        <translation>Recording interval</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>数据最大存储时间</source>
        <translation>Keep records for</translation>
    </message>
    <message>
        <source>小时</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>显示的变频器名字</source>
        <translation>Drive shown</translation>
    </message>
    <message>
        <source>本站站名</source>
        <translation>Station name</translation>
    </message>
    <message>
        <source>站名由命令行 --station 给定</source>
        <translation>The station name was given with --station on the command line</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>更改的语言在下次启动时生效</source>
        <translation>Applies at the next start</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>请输入 %1 到 %2 之间的整数。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>站名不能保存（设置文件不能写入），只用于本次运行。</source>
        <translation>The station name cannot be kept (the settings file cannot be written); it is used for this run only.</translation>
    </message>
    <message>
        <source>语言不能保存（设置文件不能写入）。</source>
        <translation>The language cannot be kept (the settings file cannot be written).</translation>
    </message>
</context>
<context>
    <name>velkaro::EngineerPinDialog</name>
    <message>
        <source>工程师解锁</source>
        <translation>Engineer unlock</translation>
    </message>
    <message>
        <source>该操作需要工程师权限，请输入工程师密码：</source>
        <translation>This needs engineer access. Enter the engineer PIN:</translation>
    </message>
    <message>
        <source>工程师密码：</source>
        <translation>Engineer PIN:</translation>
    </message>
    <message>
        <source>工程师密码</source>
        <translation>Engineer PIN</translation>
    </message>
    <message>
        <source>参数修改、参数导入、存储EEPROM、通讯参数更改、
名字更改和断开连接需要工程师密码；
新密码留空则取消密码，所有操作不再受限。</source>
        <translation>Changing parameters, importing parameters, storing to EEPROM, changing line settings,
renaming and disconnecting need the engineer PIN;
leave the new PIN empty to remove it and allow everything.</translation>
    </message>
    <message>
        <source> 分钟</source>
        <translation> min</translation>
    </message>
    <message>
        <source>新密码：</source>
        <translation>New PIN:</translation>
    </message>
    <message>
        <source>再输入一次：</source>
        <translation>Repeat:</translation>
    </message>
    <message>
        <source>解锁时长：</source>
        <translation>Unlocked for:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>密码错误！</source>
        <translation>Wrong PIN!</translation>
    </message>
    <message>
        <source>连续三次密码错误，请一分钟后再试！</source>
        <translation>Three wrong PINs in a row; try again in one minute!</translation>
    </message>
    <message>
        <source>输入已锁定，请 %1 秒后再试！</source>
        <translation>Entry is locked; try again in %1 s!</translation>
    </message>
    <message>
        <source>两次输入的密码不一致！</source>
        <translation>The two PINs differ!</translation>
    </message>
    <message>
        <source>请先用现在的密码解锁！</source>
        <translation>Unlock with the present PIN first!</translation>
    </message>
    <message>
        <source>密码未保存：%1</source>
        <translation>PIN not saved: %1</translation>
    </message>
</context>
<context>
    <name>velkaro::HistoryExport</name>
    <message>
        <source>运行记录-%1.csv</source>
        <translation>run-records-%1.csv</translation>
    </message>
    <message>
        <source>导出运行记录</source>
        <translation>Export run records</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>正在导出运行记录...</source>
        <translation>Exporting run records...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>已导出 %1 条记录到 %2</source>
        <translation>%1 records exported to %2</translation>
    </message>
</context>
<context>
    <name>velkaro::HistoryModel</name>
    <message>
        <source>记录时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>运行频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>工作状态</source>
        <translation>State</translation>
    </message>
</context>
<context>
    <name>velkaro::HistoryPanel</name>
    <message>
        <source>运行记录</source>
        <translation>Run records</translation>
    </message>
    <message>
        <source>实时刷新记录</source>
        <translation>Refresh live</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>导出...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>反向运转 电机负载过重</source>
        <translation>Running reverse Motor load too heavy</translation>
    </message>
</context>
<context>
    <name>velkaro::LineChangeGuard</name>
    <message>
        <source>以下变频器正在运行，改变通讯参数后将失去监控：</source>
        <translation>These drives are running and will not be supervised after the line settings change:</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>确定要改变通讯参数吗？</source>
        <translation>Change the line settings?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>velkaro::LineFinderDialog</name>
    <message>
        <source>检测通讯参数</source>
        <translation>Find line settings</translation>
    </message>
    <message>
        <source>逐一试验全部波特率、校验、数据位和停止位，每种设置下对各地址做回送测试。</source>
        <translation>Tries every baud rate, parity, data bits and stop bits in turn, with an echo test to each address under each setting.</translation>
    </message>
    <message>
        <source>开始检测</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用所选参数</source>
        <translation>Apply selected</translation>
    </message>
    <message>
        <source>起始地址：</source>
        <translation>First address:</translation>
    </message>
    <message>
        <source>地址个数：</source>
        <translation>Addresses:</translation>
    </message>
    <message>
        <source>等待通讯空闲...</source>
        <translation>Waiting for the line to be free...</translation>
    </message>
    <message>
        <source>正在试验 %1（%2/%3）</source>
        <translation>Trying %1 (%2/%3)</translation>
    </message>
    <message>
        <source>检测未能完成。</source>
        <translation>The search could not finish.</translation>
    </message>
    <message>
        <source>在 %1 种设置下有变频器应答。选中一种后按“应用所选参数”。</source>
        <translation>Drives answered under %1 settings. Select one and press &quot;Apply selected&quot;.</translation>
    </message>
    <message>
        <source>检测已取消，没有变频器应答。</source>
        <translation>Search cancelled; no drive answered.</translation>
    </message>
    <message>
        <source>在任何设置下都没有变频器应答。</source>
        <translation>No drive answered under any setting.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>该结果是在 %1上检测到的，当前端口为 %2，不能应用。请在当前端口上重新检测通讯参数。</source>
        <translation>This result was found on %1, the port now is %2, so it cannot be applied. Search the line settings again on the present port.</translation>
    </message>
    <message>
        <source>已应用 %1。</source>
        <translation>Applied %1.</translation>
    </message>
</context>
<context>
    <name>velkaro::LinkCountersModel</name>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Timeouts</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retries</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <source>残帧</source>
        <translation>Broken frames</translation>
    </message>
    <message>
        <source>他址帧</source>
        <translation>Other address</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>短应答</source>
        <translation>Short replies</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Exceptions</translation>
    </message>
    <message>
        <source>最近(ms)</source>
        <translation>Last (ms)</translation>
    </message>
    <message>
        <source>最小(ms)</source>
        <translation>Min (ms)</translation>
    </message>
    <message>
        <source>平均(ms)</source>
        <translation>Mean (ms)</translation>
    </message>
    <message>
        <source>最大(ms)</source>
        <translation>Max (ms)</translation>
    </message>
    <message>
        <source>最后应答</source>
        <translation>Last reply</translation>
    </message>
    <message>
        <source>地址搜寻</source>
        <translation>Address search</translation>
    </message>
</context>
<context>
    <name>velkaro::LinkDiagnosticsWindow</name>
    <message>
        <source>通讯诊断</source>
        <translation>Line diagnostics</translation>
    </message>
    <message>
        <source>通讯统计</source>
        <translation>Counters</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>Traffic</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>最近、最小、平均、最大：应答时间，自请求发出至应答帧收完。</source>
        <translation>Last, min, mean, max: reply time, from sending the request to the end of the reply.</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>变频器：</source>
        <translation>Drive:</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>通讯记录(*.txt)</source>
        <translation>Traffic (*.txt)</translation>
    </message>
    <message>
        <source>通讯记录无法保存到“%1”：%2</source>
        <translation>The traffic cannot be saved to &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>velkaro::LiveCurveWindow</name>
    <message>
        <source>实时曲线</source>
        <translation>Live curves</translation>
    </message>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>曲线</source>
        <translation>Curves</translation>
    </message>
    <message>
        <source>最近1分钟</source>
        <translation>Last minute</translation>
    </message>
    <message>
        <source>最近5分钟</source>
        <translation>Last 5 minutes</translation>
    </message>
    <message>
        <source>最近10分钟</source>
        <translation>Last 10 minutes</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>保存数据...</source>
        <translation>Save data...</translation>
    </message>
    <message>
        <source>保存图片...</source>
        <translation>Save picture...</translation>
    </message>
    <message>
        <source>不能保存数据 %1：无法写入该文件。</source>
        <translation>Cannot save the data %1: the file cannot be written.</translation>
    </message>
    <message>
        <source>不能保存图片 %1：无法写入该文件。</source>
        <translation>Cannot save the picture %1: the file cannot be written.</translation>
    </message>
    <message>
        <source>CSV 文件(*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>图片(*.png)</source>
        <translation>Pictures (*.png)</translation>
    </message>
    <message>
        <source>输出频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>Bus voltage</translation>
    </message>
    <message>
        <source>输出转矩</source>
        <translation>Output torque</translation>
    </message>
</context>
<context>
    <name>velkaro::LivePlot</name>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
</context>
<context>
    <name>velkaro::Main</name>
    <message>
        <source>用法：velkaro [选项]

变频器工作站：一个窗口管理 RS-485 总线（或网络端口）上的变频器。

选项：
  --language zh|en
                  显示语言：zh 中文，en 英文（默认为在“选项”中选定的语言，
                  未选定时按 LANGUAGE、LC_ALL、LC_MESSAGES、LANG 的区域设置）
  --station 站名  本站站名：运行记录的站名一列，历史和趋势只显示本站的记录
                  （默认为在“选项”中设定的站名，未设定时为主机名）
  -h, --help      显示本说明后退出
  --version       显示版本后退出
Qt 程序的通用选项（如 -platform offscreen、-style fusion）同样可用。

环境变量：
  VELKARO_COMn    端口 COMn（1..8）所用的设备：设备路径、tcp://主机:端口 或
                  modbus-tcp://主机:端口；未设置时为 /dev/ttyUSB(n-1)（若存在），
                  否则 /dev/ttyS(n-1)。
  ODBCINI         用户的 ODBC 数据源文件（默认 ~/.odbc.ini）
  XDG_DATA_HOME   SQLite 运行记录数据库所在的文件夹（默认 ~/.local/share）

详见 man velkaro。
</source>
        <translation>Usage: velkaro [OPTION]...

The drive station: one window over the variable-frequency drives on an RS-485
bus (or a network port).

Options:
  --language zh|en
                  language of the windows: zh Chinese, en English (default: the
                  one chosen in Options, else the locale: LANGUAGE, LC_ALL,
                  LC_MESSAGES, LANG)
  --station NAME  this station&apos;s name: the station column of the run records;
                  history and trends show this station&apos;s records only
                  (default: the name set in Options, else the host name)
  -h, --help      show this help and exit
  --version       show the version and exit
The standard options of Qt programs (such as -platform offscreen, -style fusion)
work as well.

Environment:
  VELKARO_COMn    the device for port COMn (1..8): a device path, tcp://HOST:PORT
                  or modbus-tcp://HOST:PORT; when unset /dev/ttyUSB(n-1) if it
                  exists, else /dev/ttyS(n-1).
  ODBCINI         the user&apos;s ODBC data source file (default ~/.odbc.ini)
  XDG_DATA_HOME   the folder of the SQLite run-record database
                  (default ~/.local/share)

See man velkaro.
</translation>
    </message>
    <message>
        <source>选项缺少取值</source>
        <translation>option needs a value</translation>
    </message>
    <message>
        <source>未知选项</source>
        <translation>unknown option</translation>
    </message>
    <message>
        <source>多余的参数</source>
        <translation>unexpected argument</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>请用 velkaro --help 查看用法。</source>
        <translation>Try velkaro --help for the usage.</translation>
    </message>
</context>
<context>
    <name>velkaro::MainWindow</name>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>实时曲线...</source>
        <translation>Live curves...</translation>
    </message>
    <message>
        <source>系统管理</source>
        <translation>System</translation>
    </message>
    <message>
        <source>增加连接</source>
        <translation>Add connection</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>名字更改</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>趋势图...</source>
        <translation>Trends...</translation>
    </message>
    <message>
        <source>通讯诊断...</source>
        <translation>Line diagnostics...</translation>
    </message>
    <message>
        <source>检测通讯参数...</source>
        <translation>Find line settings...</translation>
    </message>
    <message>
        <source>操作记录...</source>
        <translation>Action records...</translation>
    </message>
    <message>
        <source>工程师密码...</source>
        <translation>Engineer PIN...</translation>
    </message>
    <message>
        <source>锁定工程师权限</source>
        <translation>Lock engineer access</translation>
    </message>
    <message>
        <source>消息记录...</source>
        <translation>Messages...</translation>
    </message>
    <message>
        <source>退          出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>变频器操作</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>启    动</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>停    车</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>自由停车</source>
        <translation>Coast stop</translation>
    </message>
    <message>
        <source>故障复位</source>
        <translation>Fault reset</translation>
    </message>
    <message>
        <source>参数导入</source>
        <translation>Import parameters</translation>
    </message>
    <message>
        <source>参数导出</source>
        <translation>Export parameters</translation>
    </message>
    <message>
        <source>参数报表...</source>
        <translation>Parameter report...</translation>
    </message>
    <message>
        <source>参数对比...</source>
        <translation>Compare parameters...</translation>
    </message>
    <message>
        <source>软件帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>使用Velkaro</source>
        <translation>Using Velkaro</translation>
    </message>
    <message>
        <source>关于Velkaro</source>
        <translation>About Velkaro</translation>
    </message>
    <message>
        <source>无效验</source>
        <translation>No parity</translation>
    </message>
    <message>
        <source>错误! 不能加载数据库!</source>
        <translation>Error! The database cannot be loaded!</translation>
    </message>
    <message>
        <source>串口 %1 不能打开：%2</source>
        <translation>The serial port %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>关于 Velkaro(&amp;A)...</source>
        <translation>&amp;About Velkaro...</translation>
    </message>
    <message>
        <source>未设置工程师密码，任何人都可以修改参数；可在“系统管理 → 工程师密码...”中设置。</source>
        <translation>No engineer PIN is set, so anyone can change parameters; set one in &quot;System → Engineer PIN...&quot;.</translation>
    </message>
    <message>
        <source>变频器 %1 正在点动运行，断开连接前将先停止点动。</source>
        <translation>Drive %1 is jogging; the jog is stopped before it is disconnected.</translation>
    </message>
    <message>
        <source>变频器 %1 正在运行，断开连接后将失去监控。</source>
        <translation>Drive %1 is running and will not be supervised once disconnected.</translation>
    </message>
    <message>
        <source>确定要断开连接吗？</source>
        <translation>Disconnect it?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>变频器名字不能为空！</source>
        <translation>The drive name cannot be empty!</translation>
    </message>
    <message>
        <source>该名字已经存在！</source>
        <translation>That name is already in use!</translation>
    </message>
    <message>
        <source>%1 已断开连接，名字未更改。</source>
        <translation>%1 has been disconnected; the name is unchanged.</translation>
    </message>
    <message>
        <source>名字已被占用，新变频器命名为 %1</source>
        <translation>Name in use; the new drive is named %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>系统状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>电机控制</source>
        <translation>Motor control</translation>
    </message>
    <message>
        <source>参数管理</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>数据监视</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>velkaro::MonitorPanel</name>
    <message>
        <source>监视选项</source>
        <translation>Monitor options</translation>
    </message>
    <message>
        <source>对不起！该功能暂时保留！</source>
        <translation>Sorry! This function is reserved for now!</translation>
    </message>
</context>
<context>
    <name>velkaro::MotorPanel</name>
    <message>
        <source>使能编辑</source>
        <translation>Edit keys</translation>
    </message>
    <message>
        <source>编辑对象：</source>
        <translation>Key:</translation>
    </message>
    <message>
        <source>蓝色按钮</source>
        <translation>Blue key</translation>
    </message>
    <message>
        <source>绿色按钮</source>
        <translation>Green key</translation>
    </message>
    <message>
        <source>红色按钮</source>
        <translation>Red key</translation>
    </message>
    <message>
        <source>橙色按钮</source>
        <translation>Orange key</translation>
    </message>
    <message>
        <source>黄色按钮</source>
        <translation>Yellow key</translation>
    </message>
    <message>
        <source>紫色按钮</source>
        <translation>Purple key</translation>
    </message>
    <message>
        <source>功能列表</source>
        <translation>Functions</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>初始化按键</source>
        <translation>Reset keys</translation>
    </message>
    <message>
        <source>正向点动</source>
        <translation>Jog forward</translation>
    </message>
    <message>
        <source>反向点动</source>
        <translation>Jog reverse</translation>
    </message>
    <message>
        <source>通讯给定频率:</source>
        <translation>Freq. reference:</translation>
    </message>
    <message>
        <source>通讯频率输入</source>
        <translation>Set frequency</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>输入的频率不是有效的数值，请输入 0.00 到 655.35 之间的数值！</source>
        <translation>The frequency entered is not a valid number; enter a value from 0.00 to 655.35!</translation>
    </message>
    <message>
        <source>输入的频率超出范围，请输入 0.00 到 655.35 之间的数值！</source>
        <translation>The frequency entered is out of range; enter a value from 0.00 to 655.35!</translation>
    </message>
    <message>
        <source>禁止编辑</source>
        <translation>Lock keys</translation>
    </message>
</context>
<context>
    <name>velkaro::MqttDialog</name>
    <message>
        <source>MQTT 发布</source>
        <translation>MQTT publishing</translation>
    </message>
    <message>
        <source>把变频器状态发布到 MQTT 代理（只发布，不接受命令）</source>
        <translation>Publishes the drives&apos; states to an MQTT broker (publish only, no commands taken)</translation>
    </message>
    <message>
        <source>mqtt://主机:1883 或 mqtts://主机:8883</source>
        <translation>mqtt://host:1883 or mqtts://host:8883</translation>
    </message>
    <message>
        <source>user=用户名、password=密码 两行；不填为匿名</source>
        <translation>user= and password= lines; empty for anonymous</translation>
    </message>
    <message>
        <source>mqtts:// 用的 CA 证书；不填用系统证书</source>
        <translation>CA certificate for mqtts://; empty for the system&apos;s certificates</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>代理地址：</source>
        <translation>Broker:</translation>
    </message>
    <message>
        <source>凭据文件：</source>
        <translation>Credentials file:</translation>
    </message>
    <message>
        <source>CA 证书：</source>
        <translation>CA certificate:</translation>
    </message>
    <message>
        <source>本站站名：</source>
        <translation>Station name:</translation>
    </message>
    <message>
        <source>连接状态：</source>
        <translation>Connection:</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>MQTT 凭据文件</source>
        <translation>MQTT credentials file</translation>
    </message>
    <message>
        <source>（设置未能保存）</source>
        <translation>(settings not saved)</translation>
    </message>
</context>
<context>
    <name>velkaro::NoticeCentre</name>
    <message>
        <source>消息记录</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>最近一次</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>次数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>消息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>更早的 %1 条消息已不再保留。</source>
        <translation>%1 earlier messages are no longer kept.</translation>
    </message>
</context>
<context>
    <name>velkaro::ParameterExportImport</name>
    <message>
        <source>存储文件(*.sav)</source>
        <translation>Parameter files (*.sav)</translation>
    </message>
    <message>
        <source>存储文件(*.*)</source>
        <translation>Parameter files (*.*)</translation>
    </message>
    <message>
        <source>请停机后再进行该操作！</source>
        <translation>Stop the drive before doing this!</translation>
    </message>
</context>
<context>
    <name>velkaro::ParameterPanel</name>
    <message>
        <source>请先在右边选择需要的功能组，就可在下表中查看或修改相应参数</source>
        <translation>Choose a group on the right to see its parameters</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>参数范围</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>参数名称</source>
        <translation>Parameter name</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>双击修改参数。</source>
        <translation>Double-click to change a parameter.</translation>
    </message>
    <message>
        <source>  可设置范围：</source>
        <translation>  Range: </translation>
    </message>
    <message>
        <source>%1 已断开连接，参数未写入。</source>
        <translation>%1 has been disconnected; the parameter was not written.</translation>
    </message>
</context>
<context>
    <name>velkaro::ParameterReportCommands</name>
    <message>
        <source>参数报表(*.csv)</source>
        <translation>Parameter report (*.csv)</translation>
    </message>
    <message>
        <source>参数对比：选一个文件与选中的变频器对比，或选两个文件相互对比</source>
        <translation>Compare parameters: choose one file to compare with the selected drive, or two files to compare with each other</translation>
    </message>
    <message>
        <source>参数报表或存储文件(*.csv *.sav)</source>
        <translation>Parameter reports or files (*.csv *.sav)</translation>
    </message>
    <message>
        <source>所有文件(*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>请选择一个文件与变频器对比，或两个文件相互对比。</source>
        <translation>Choose one file to compare with the drive, or two files to compare with each other.</translation>
    </message>
    <message>
        <source>%1（变频器，读取于 %2）</source>
        <translation>%1 (drive, read at %2)</translation>
    </message>
</context>
<context>
    <name>velkaro::QtOperatorMessages</name>
    <message>
        <source>已出现 %1 次，最近一次在 %2。</source>
        <translation>Seen %1 times, last at %2.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>velkaro::RenameDialog</name>
    <message>
        <source>变频器重命名</source>
        <translation>Rename drive</translation>
    </message>
    <message>
        <source>     请在下面输入变频器新名字，新名字不能与其他变频器名字重复，且连接时有效。</source>
        <translation>     Enter the drive&apos;s new name below. It must differ from the other drives&apos; names and applies while connected.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>变频器当前名字：</source>
        <translation>Present name:</translation>
    </message>
    <message>
        <source>变频器新的名字：</source>
        <translation>New name:</translation>
    </message>
</context>
<context>
    <name>velkaro::StationMqtt</name>
    <message>
        <source>未启用</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>已连接 </source>
        <translation>Connected </translation>
    </message>
    <message>
        <source>未连接，正在重试</source>
        <translation>Not connected, retrying</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>（因队列已满丢弃 %1 条）</source>
        <translation>(%1 dropped, queue full)</translation>
    </message>
</context>
<context>
    <name>velkaro::StationRecords</name>
    <message>
        <source>运行记录数据源没有应答：记录暂时留在内存中，数据源恢复后补写。</source>
        <translation>The run-record data source does not answer: records are kept in memory and written once it is back.</translation>
    </message>
    <message>
        <source>运行记录数据源已恢复。中断期间暂存的记录超过上限，最早的 %1 条没有写入。</source>
        <translation>The run-record data source is back. More records were waiting than can be kept; the oldest %1 were not written.</translation>
    </message>
    <message>
        <source>运行记录表没有“站名”列，本账户也无权添加（需要修改表的权限）。记录照常写入，但不带站名：共用这个数据库的各站记录分不开。
</source>
        <translation>The run-record table has no &quot;站名&quot; (station) column and this account may not add it (that needs the right to alter the table). Records are written as usual but without the station, so the stations sharing this database cannot be told apart.
</translation>
    </message>
</context>
<context>
    <name>velkaro::StatusPanel</name>
    <message>
        <source>正常机组</source>
        <translation>Normal drives</translation>
    </message>
    <message>
        <source>掉线机组</source>
        <translation>Offline drives</translation>
    </message>
    <message>
        <source>故障机组</source>
        <translation>Tripped drives</translation>
    </message>
    <message>
        <source>变频器名</source>
        <translation>Drive name</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>参数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>变频器地址搜寻中</source>
        <translation>Searching drive addresses</translation>
    </message>
    <message>
        <source>变频器数据导出中</source>
        <translation>Exporting drive parameters</translation>
    </message>
    <message>
        <source>变频器数据导入中</source>
        <translation>Importing drive parameters</translation>
    </message>
    <message>
        <source>变频器参数读取中</source>
        <translation>Reading drive parameters</translation>
    </message>
    <message>
        <source>变频器发生故障</source>
        <translation>A drive has tripped</translation>
    </message>
    <message>
        <source> 使用该界面控制变频器时，请先将变频器设置为通讯控制</source>
        <translation> To control a drive from here, set the drive to communication control first</translation>
    </message>
    <message>
        <source> 双击上面功能列表可修改变频器参数</source>
        <translation> Double-click the list above to change a drive parameter</translation>
    </message>
    <message>
        <source> Velkaro1.11测试版-蓝岭电子研究所</source>
        <translation> Velkaro 1.11 beta - Lanling Electronics Institute</translation>
    </message>
    <message>
        <source> %1发生异常，请及时处理！</source>
        <translation> %1 has a fault; please attend to it now!</translation>
    </message>
    <message>
        <source>输出频率</source>
        <comment>list heading</comment>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>输出电流</source>
        <comment>list heading</comment>
        <translation>Current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <comment>list heading</comment>
        <translation>Voltage</translation>
    </message>
</context>
<context>
    <name>velkaro::StatusSummary</name>
    <message>
        <source>变频器名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>功率等级</source>
        <translation>Rating</translation>
    </message>
    <message>
        <source>机    型</source>
        <translation>Series</translation>
    </message>
    <message>
        <source>给定频率</source>
        <translation>Set freq.</translation>
    </message>
    <message>
        <source>运行频率</source>
        <translation>Output freq.</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output V</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output A</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>DC bus</translation>
    </message>
    <message>
        <source>输出转矩</source>
        <translation>Torque</translation>
    </message>
    <message>
        <source>运行状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>异常原因</source>
        <translation>Cause</translation>
    </message>
</context>
<context>
    <name>velkaro::TrafficModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>地址搜寻</source>
        <translation>Address search</translation>
    </message>
</context>
<context>
    <name>velkaro::TrendWindow</name>
    <message>
        <source>趋势图</source>
        <translation>Trends</translation>
    </message>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Values</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>最近%1分钟</source>
        <translation>Last %1 minutes</translation>
    </message>
    <message>
        <source>最近%1小时</source>
        <translation>Last %1 hours</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>时间窗</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>实时跟随</source>
        <translation>Follow live</translation>
    </message>
    <message>
        <source>保存图片...</source>
        <translation>Save picture...</translation>
    </message>
    <message>
        <source>故障跳闸与通讯断线</source>
        <translation>Trips and lost communication</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Cause</translation>
    </message>
    <message>
        <source>数据源不可用：%1（按“刷新”重试）</source>
        <translation>The data source is not available: %1 (press &quot;Refresh&quot; to retry)</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>记录中的变频器</source>
        <translation>Drive in the records</translation>
    </message>
    <message>
        <source>起始时间应早于结束时间</source>
        <translation>The start must be before the end</translation>
    </message>
    <message>
        <source>所选时间早于数据最大存储时间（%1小时），这些记录已被清除</source>
        <translation>The chosen time is before the storage limit (%1 hours); those records have been purged</translation>
    </message>
    <message>
        <source>数据最大存储时间为%1小时，只显示最近%1小时。</source>
        <translation>Records are kept for %1 hours; only the last %1 hours are shown.</translation>
    </message>
    <message>
        <source>请选择变频器和数据</source>
        <translation>Choose drives and values</translation>
    </message>
    <message>
        <source>所选时间内没有记录</source>
        <translation>No records in the chosen time</translation>
    </message>
    <message>
        <source>所选时间内没有记录。</source>
        <translation>No records in the chosen time.</translation>
    </message>
    <message>
        <source>%1 条记录，%2 至 %3。</source>
        <translation>%1 records, %2 to %3.</translation>
    </message>
    <message>
        <source>趋势图-%1.png</source>
        <translation>trends-%1.png</translation>
    </message>
    <message>
        <source>保存趋势图</source>
        <translation>Save trends</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>写入失败</source>
        <translation>Writing failed</translation>
    </message>
    <message>
        <source>不能保存图片 %1：%2</source>
        <translation>Cannot save the picture %1: %2</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Trip</translation>
    </message>
    <message>
        <source>通讯断线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>运行频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>设定频率</source>
        <translation>Frequency reference</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>Bus voltage</translation>
    </message>
</context>
</TS>
